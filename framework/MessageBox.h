// Message boxes and modal runs, the two places where the program waits for
// the user. Both go through a hook that tests replace, so a test can answer a
// message or drive a dialog without a person at the screen.
//
// Message box types and answers keep their traditional values, since the
// program's rules are written in them (MB_OKCANCEL | MB_ICONQUESTION, IDOK).
// The title of every message box is string 57344 of the current resource
// module. Threads: the user-interface thread only.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>

class QDialog;
class QWidget;

inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_ICONSTOP = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows text with the buttons and icon of type, owned by parent (the active
// window when null); returns the answer (IDCANCEL when closed otherwise).
int AfxMessageBox(const QString& text, uint32_t type = MB_OK, QWidget* parent = nullptr);
// The same with a string of the current resource module.
int AfxMessageBox(uint32_t stringId, uint32_t type = MB_OK, QWidget* parent = nullptr);

// Runs a dialog modally and returns its result (QDialog::Accepted = 1,
// Rejected = 0).
int AfxRunModal(QDialog* dialog);

// Hooks; each returns the previous one. An empty hook restores the real
// behaviour.
using MessageBoxHook = std::function<int(const QString& text, uint32_t type)>;
using ModalHook = std::function<int(QDialog* dialog)>;
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
ModalHook SetModalHook(ModalHook hook);

// The platform's default beep.
void AfxMessageBeep();
