// CIPAddressCtrl: an IPv4 address box. A line edit that takes only what can
// still become four decimal numbers 0-255 separated by dots, and gives the
// address as its dotted text or as a 32-bit number (first field in the
// highest byte). Being a QLineEdit, it shows and exposes its text to
// accessibility tools like any edit box.
//
// Threads: the user-interface thread only.
#pragma once

#include <QLineEdit>
#include <cstdint>

class CIPAddressCtrl : public QLineEdit {
  Q_OBJECT

 public:
  explicit CIPAddressCtrl(QWidget* parent = nullptr);

  void SetAddress(uint32_t address);
  // False (and *address untouched) while the text is not a whole address.
  bool GetAddress(uint32_t* address) const;
  // The dotted text of a whole address; empty while it is incomplete.
  QString DottedText() const;
  bool IsBlank() const { return text().isEmpty(); }
};
