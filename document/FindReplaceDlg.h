// CFindReplaceDlg: the modeless find and replace dialog of the edit view.
// One dialog serves both commands: in find mode the replacement field and
// the Replace and Replace All buttons are hidden. It only collects what to
// look for and reports which button was pressed; the view does the search
// (CTextSearch) and shows the outcome in the status bar. Cancel (or Escape)
// hides the dialog, which keeps its fields for the next time.
//
// Find Next, Replace and Replace All are enabled only while there is text
// to find. Controls carry objectNames for tests ("FindWhat", "ReplaceWith",
// "MatchCase", "WholeWord", "Up", "Down", "FindNext", "Replace",
// "ReplaceAll", "Cancel").
//
// Threads: the user-interface thread only.
#pragma once

#include <QDialog>

#include "document/TextSearch.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// Where a dialog at `dialog` goes so that it does not cover `found` (both
// on the screen, frames included): unchanged when it does not cover it;
// else just above it when there is room on the screen, else just below it,
// else unchanged.
QRect DialogClearOf(const QRect& dialog, const QRect& found, const QRect& screen);

class CFindReplaceDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CFindReplaceDlg(QWidget* parent);
  ~CFindReplaceDlg() override;

  // Shows (or raises) the dialog in find or replace mode with the focus on
  // the text to find; a non-empty text replaces the text to find first.
  void ShowFor(bool replace, const QString& find);
  // Moves the dialog off a found text (a rectangle on the screen) when it
  // covers it.
  void KeepClearOf(const QRect& found);
  bool IsReplaceMode() const { return m_bReplace; }

  CFindOptions Options() const;
  QString ReplaceWith() const;

 signals:
  void FindNextRequested();
  void ReplaceRequested();
  void ReplaceAllRequested();

 private:
  void SetReplaceMode(bool replace);
  void UpdateButtons();

  bool m_bReplace = false;
  QLineEdit* m_editFind = nullptr;
  QLabel* m_lblReplace = nullptr;
  QLineEdit* m_editReplace = nullptr;
  QCheckBox* m_chkMatchCase = nullptr;
  QCheckBox* m_chkWholeWord = nullptr;
  QRadioButton* m_radioUp = nullptr;
  QRadioButton* m_radioDown = nullptr;
  QPushButton* m_btnFindNext = nullptr;
  QPushButton* m_btnReplace = nullptr;
  QPushButton* m_btnReplaceAll = nullptr;
};
