// CGotoDlg: the small modal dialog (template 123) that asks for the line to
// go to. Its line box takes digits only and shows m_nLine (1 when the dialog
// is built) when the dialog opens. OK accepts only a whole number from 1 to
// 99999999: anything else is refused with a message (string 61719 for text
// that is not a number, 61714 for a number outside the range) and the
// dialog stays open with the text selected in the line box.
//
// Controls carry their template ids as objectName ("1042" the line box,
// "IDOK", "IDCANCEL").
//
// Threads: the user-interface thread only.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

class QLineEdit;

inline constexpr uint32_t kGotoLineMin = 1;
inline constexpr uint32_t kGotoLineMax = 99999999;

// Reads a line number as the dialog does: blanks around it are allowed, the
// rest must be decimal digits. Returns 0 with *line set, or the number of
// the string that refuses the text (61719 not a number, 61714 out of range,
// which includes numbers too large for 32 bits); *line is untouched then.
uint32_t ParseGotoLine(const QString& text, uint32_t* line);
// The refusal's message: the string, with the range filled in for 61714.
QString GotoLineRefusal(uint32_t stringId);

class CGotoDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CGotoDlg(QWidget* parent = nullptr);
  ~CGotoDlg() override;

  // The line number, 1-based; what OK accepted once the dialog is closed.
  uint32_t m_nLine = 1;

  // Validates the line box and closes the dialog only when it holds a line
  // number in range.
  void accept() override;
  void setVisible(bool visible) override;

 private:
  QLineEdit* m_editLine = nullptr;  // IDC_LINE 1042
};
