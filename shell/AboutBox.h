// CAboutBox: the modal About dialog. It shows the program's own file version
// and, when an engine library is configured, that library's product name,
// file name and file version, each read from the file's version note. A
// double click on the engine's name asks the main window to show the engine's
// own splash text, for engines that offer one.
//
// CClickStatic: a label that reports double clicks (and, so that keyboard
// users reach it too, takes focus and reports Return, Enter or Space as one).
//
// Controls carry their template ids as objectName ("1034", "1039", "1040",
// "1046", "IDOK"). OnInitDialog runs once, just before the dialog is first
// shown (or when a caller runs it itself first).
//
// Threads: the user-interface thread only.
#pragma once

#include <QDialog>
#include <QLabel>

class QLineEdit;

class CClickStatic : public QLabel {
  Q_OBJECT

 public:
  explicit CClickStatic(const QString& text, QWidget* parent = nullptr);

 signals:
  void doubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

class CAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutBox(QWidget* parent = nullptr);
  ~CAboutBox() override;

  bool OnInitDialog();
  // Double click on the engine's name (control 1039).
  void OnDblClickEngine();

  void setVisible(bool visible) override;

 private:
  bool m_bInitialized = false;
  QLineEdit* m_editProduct = nullptr;  // 1034
  CClickStatic* m_engine = nullptr;    // 1039
  QLabel* m_engineVersion = nullptr;   // 1040
  QLabel* m_programVersion = nullptr;  // 1046
};
