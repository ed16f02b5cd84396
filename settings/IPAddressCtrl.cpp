#include "settings/IPAddressCtrl.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

#include "settings/TtsConfLogic.h"

CIPAddressCtrl::CIPAddressCtrl(QWidget* parent) : QLineEdit(parent) {
  // A whole address; the validator also lets through every beginning of one
  // (a partial match), so typing field by field works and "256" or "1..2"
  // cannot be typed.
  static const QRegularExpression address(
      QStringLiteral("((25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])\\.){3}"
                     "(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])"));
  setValidator(new QRegularExpressionValidator(address, this));
  setMaxLength(15);
}

void CIPAddressCtrl::SetAddress(uint32_t address) {
  setText(FormatIPv4(address));
}

bool CIPAddressCtrl::GetAddress(uint32_t* address) const {
  return ParseIPv4(text(), address);
}

QString CIPAddressCtrl::DottedText() const {
  return ParseIPv4(text(), nullptr) ? text() : QString();
}
