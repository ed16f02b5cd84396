// CTtsConfDlg: the modal dialog in which the user points the program at an
// engine library, lists the engines it offers (locally, or at a given IPv4
// address), inspects one engine's information and makes it the engine in use,
// optionally saving the choice as the one start-up loads.
//
// The dialog keeps no engine state of its own: every step goes through the
// engine adapter (TheAdapter()), which changes while the dialog is open (a
// listing of another library unloads the old engine, OK connects the selected
// one) and is not restored on Cancel. The texts it shows are made by the
// functions of settings/TtsConfLogic.h.
//
// Controls carry the names of the dialog template as their objectName
// ("IDC_MODULE", "IDC_ENGINES", ...) and come in the template's order, which is
// also the tab order. OnInitDialog runs once, just before the dialog is first
// shown (or when a caller runs it itself first).
//
// Threads: the user-interface thread only.
#pragma once

#include <QDialog>
#include <QFont>
#include <QString>
#include <cstdint>
#include <vector>

class CIPAddressCtrl;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class CTtsConfDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CTtsConfDlg(QWidget* parent = nullptr);
  ~CTtsConfDlg() override;

  // Fills the controls from the fields and the adapter, and lists the
  // engines at once when an engine is connected. Runs only once.
  bool OnInitDialog();
  // Fields to controls (false) or controls to fields (true).
  void DoDataExchange(bool saveAndValidate);

  // Handlers of the dialog's controls.
  void OnBrowse();
  void OnListEngines();
  void OnSelChangeEngine();
  void OnQueryByIP();
  void OnChangeModule();
  // OK: select the chosen engine, save it when asked, close.
  void OnOK();

  void setVisible(bool visible) override;

  // The values exchanged with the controls.
  QString m_strModule;
  int m_bSaveDefault = 1;
  uint32_t m_dwIP;
  int m_nPort;
  int m_bQueryByIP = 0;
  QComboBox* m_cbEngines = nullptr;
  QFont m_fontInfo;

 private:
  // A message box owned by the dialog; the wait cursor, when shown, is lifted
  // while the message is up.
  int Message(const QString& text, uint32_t type);
  // Empties the engine list and the information box.
  void ClearEngines();

  bool m_bInitialized = false;
  int m_nWaitCursor = 0;
  QLineEdit* m_editModule = nullptr;
  QPushButton* m_btnBrowse = nullptr;
  QCheckBox* m_chkQueryIP = nullptr;
  CIPAddressCtrl* m_ipAddress = nullptr;
  QLineEdit* m_editPort = nullptr;
  QPushButton* m_btnList = nullptr;
  QPlainTextEdit* m_editInfo = nullptr;
  QCheckBox* m_chkSaveDefault = nullptr;
  // The siblings from IDC_QUERY_IP (excluded) to IDC_PORT (included).
  std::vector<QWidget*> m_addressControls;
};
