#include "framework/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

MessageBoxHook g_messageBoxHook;
ModalHook g_modalHook;

QMessageBox::Icon IconOf(uint32_t type) {
  switch (type & 0xF0) {
    case MB_ICONSTOP:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

int AfxMessageBox(const QString& text, uint32_t type, QWidget* parent) {
  if (g_messageBoxHook) return g_messageBoxHook(text, type);
  if (parent == nullptr) parent = QApplication::activeWindow();
  QMessageBox box(IconOf(type), AfxString(AFX_IDS_APP_TITLE), text, QMessageBox::NoButton, parent);
  // The answers a button gives, in the order the platform shows them.
  std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
  switch (type & 0x0F) {
    case MB_OKCANCEL:
      buttons = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNOCANCEL:
      buttons = {
          {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
      break;
    case MB_YESNO:
      buttons = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
      break;
    default:
      buttons = {{QMessageBox::Ok, IDOK}};
      break;
  }
  for (const auto& b : buttons) box.addButton(b.first);
  box.setDefaultButton(buttons.front().first);
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const auto& b : buttons)
    if (b.first == clicked) return b.second;
  // Closed with Escape or the window's close button.
  return (type & 0x0F) == MB_OK ? IDOK : (type & 0x0F) == MB_YESNO ? IDNO : IDCANCEL;
}

int AfxMessageBox(uint32_t stringId, uint32_t type, QWidget* parent) {
  return AfxMessageBox(AfxString(stringId), type, parent);
}

int AfxRunModal(QDialog* dialog) {
  if (g_modalHook) return g_modalHook(dialog);
  return dialog->exec();
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  return std::exchange(g_messageBoxHook, std::move(hook));
}

ModalHook SetModalHook(ModalHook hook) {
  return std::exchange(g_modalHook, std::move(hook));
}

void AfxMessageBeep() {
  QApplication::beep();
}
