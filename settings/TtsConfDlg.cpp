#include "settings/TtsConfDlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

#include "engine/TtsAdapter.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"
#include "settings/IPAddressCtrl.h"
#include "settings/TtsConfLogic.h"

namespace {

// A text of the dialog template.
QString T(const char* name) {
  return AfxGetResourceHandle()->Text(QStringLiteral("D%1.%2").arg(IDD_TTSCONF).arg(name));
}

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QLatin1String(name));
  return widget;
}

}  // namespace

CTtsConfDlg::CTtsConfDlg(QWidget* parent)
    : QDialog(parent),
      m_dwIP(kTtsConfDefaultIP),
      m_nPort(kTtsConfPort),
      m_fontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)) {
  setObjectName(QStringLiteral("IDD_TTSCONF"));
  setWindowTitle(T("caption"));

  // Created in the template's order, which is the tab order as well.
  auto* lblModule = new QLabel(T("lbl_module"), this);
  m_editModule = Named(new QLineEdit(this), "IDC_MODULE");
  m_btnBrowse = Named(new QPushButton(T("1053"), this), "IDC_BROWSE");
  m_chkQueryIP = Named(new QCheckBox(T("1049"), this), "IDC_QUERY_IP");
  auto* lblIP = new QLabel(T("lbl_ip"), this);
  m_ipAddress = Named(new CIPAddressCtrl(this), "IDC_IPADDRESS");
  auto* lblPort = new QLabel(T("lbl_port"), this);
  m_editPort = Named(new QLineEdit(this), "IDC_PORT");
  m_cbEngines = Named(new QComboBox(this), "IDC_ENGINES");
  m_btnList = Named(new QPushButton(T("1057"), this), "IDC_LIST_ENGINES");
  auto* group = new QGroupBox(T("grp_info"), this);
  m_editInfo = Named(new QPlainTextEdit(group), "IDC_ENGINE_INFO");
  m_chkSaveDefault = Named(new QCheckBox(T("1061"), this), "IDC_SAVE_DEFAULT");
  auto* btnOK = Named(new QPushButton(T("1"), this), "IDOK");
  auto* btnCancel = Named(new QPushButton(T("2"), this), "IDCANCEL");

  lblModule->setBuddy(m_editModule);
  lblIP->setBuddy(m_ipAddress);
  lblPort->setBuddy(m_editPort);
  m_addressControls = {lblIP, m_ipAddress, lblPort, m_editPort};
  // The port is shown, never edited.
  m_editPort->setValidator(new QIntValidator(0, 65535, m_editPort));
  m_editPort->setEnabled(false);
  // The list and the information box have no label of their own.
  m_cbEngines->setAccessibleName(T("acc_1062"));
  m_cbEngines->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_cbEngines->setMinimumContentsLength(24);
  m_editInfo->setAccessibleName(group->title());
  m_editInfo->setReadOnly(true);
  m_editInfo->setTabChangesFocus(true);
  m_btnList->setDefault(true);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblModule);
  auto* moduleRow = new QHBoxLayout;
  moduleRow->addWidget(m_editModule, 1);
  moduleRow->addWidget(m_btnBrowse);
  layout->addLayout(moduleRow);
  auto* addressRow = new QHBoxLayout;
  addressRow->addWidget(m_chkQueryIP);
  addressRow->addStretch(1);
  addressRow->addWidget(lblIP);
  addressRow->addWidget(m_ipAddress);
  addressRow->addWidget(lblPort);
  addressRow->addWidget(m_editPort);
  m_ipAddress->setMinimumWidth(
      m_ipAddress->fontMetrics().horizontalAdvance(QStringLiteral("255.255.255.255")) + 16);
  m_editPort->setFixedWidth(m_editPort->fontMetrics().horizontalAdvance(QStringLiteral("000000")) +
                            16);
  layout->addLayout(addressRow);
  auto* engineRow = new QHBoxLayout;
  engineRow->addWidget(m_cbEngines, 1);
  engineRow->addWidget(m_btnList);
  layout->addLayout(engineRow);
  auto* groupLayout = new QVBoxLayout(group);
  groupLayout->addWidget(m_editInfo);
  layout->addWidget(group, 1);
  layout->addWidget(m_chkSaveDefault);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(btnOK);
  buttons->addWidget(btnCancel);
  layout->addLayout(buttons);

  QWidget* order[] = {m_editModule,     m_btnBrowse, m_chkQueryIP, m_ipAddress,
                      m_editPort,       m_cbEngines, m_btnList,    m_editInfo,
                      m_chkSaveDefault, btnOK,       btnCancel};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(m_btnBrowse, &QPushButton::clicked, this, &CTtsConfDlg::OnBrowse);
  connect(m_btnList, &QPushButton::clicked, this, &CTtsConfDlg::OnListEngines);
  connect(m_cbEngines, &QComboBox::activated, this, &CTtsConfDlg::OnSelChangeEngine);
  connect(m_chkQueryIP, &QCheckBox::clicked, this, &CTtsConfDlg::OnQueryByIP);
  connect(m_editModule, &QLineEdit::textChanged, this, &CTtsConfDlg::OnChangeModule);
  connect(btnOK, &QPushButton::clicked, this, &CTtsConfDlg::OnOK);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

  resize(560, 420);
}

CTtsConfDlg::~CTtsConfDlg() = default;

void CTtsConfDlg::setVisible(bool visible) {
  if (visible && !m_bInitialized) OnInitDialog();
  QDialog::setVisible(visible);
}

bool CTtsConfDlg::OnInitDialog() {
  if (m_bInitialized) return true;
  m_bInitialized = true;
  DoDataExchange(false);
  m_editInfo->setFont(m_fontInfo);
  m_editInfo->setTabStopDistance(QFontMetricsF(m_fontInfo).horizontalAdvance(QLatin1Char(' ')) * 8);

  CTtsAdapter& adapter = TheAdapter();
  if (!adapter.ModulePath().isEmpty()) {
    m_strModule = adapter.ModulePath();
    m_editModule->setText(m_strModule);
    if (adapter.AssignAddress() != 0) {
      m_chkQueryIP->setChecked(true);
      if (!adapter.ServerAddress().isEmpty()) m_ipAddress->setText(adapter.ServerAddress());
    }
    // Whatever the address settings: the list shows the engines and the
    // connected one is selected.
    if (adapter.HasInstance()) OnListEngines();
  }
  OnQueryByIP();
  return true;
}

void CTtsConfDlg::DoDataExchange(bool saveAndValidate) {
  if (saveAndValidate) {
    m_strModule = m_editModule->text();
    m_bSaveDefault = m_chkSaveDefault->isChecked() ? 1 : 0;
    m_ipAddress->GetAddress(&m_dwIP);  // an incomplete address keeps the old value
    m_nPort = m_editPort->text().toInt();
    m_bQueryByIP = m_chkQueryIP->isChecked() ? 1 : 0;
  } else {
    m_editModule->setText(m_strModule);
    m_chkSaveDefault->setChecked(m_bSaveDefault != 0);
    m_ipAddress->SetAddress(m_dwIP);
    m_editPort->setText(QString::number(m_nPort));
    m_chkQueryIP->setChecked(m_bQueryByIP != 0);
  }
}

int CTtsConfDlg::Message(const QString& text, uint32_t type) {
  if (m_nWaitCursor > 0) QApplication::restoreOverrideCursor();
  const int answer = AfxMessageBox(text, type, this);
  if (m_nWaitCursor > 0) QApplication::setOverrideCursor(Qt::WaitCursor);
  return answer;
}

void CTtsConfDlg::ClearEngines() {
  m_cbEngines->clear();
  m_editInfo->clear();
}

void CTtsConfDlg::OnQueryByIP() {
  const bool enable = m_chkQueryIP->isChecked();
  for (QWidget* control : m_addressControls) control->setEnabled(enable);
  m_editPort->setEnabled(false);
}

void CTtsConfDlg::OnChangeModule() {
  ClearEngines();
}

void CTtsConfDlg::OnBrowse() {
  const QString current = m_editModule->text();
  QFileDialog dialog(this, QString(),
                     current.isEmpty() ? GetAppDir() : QFileInfo(current).absolutePath(),
                     AfxString(IDS_CONF_LIBRARY_FILTER));
  dialog.setObjectName(QStringLiteral("IDC_BROWSE_DIALOG"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("so"));
  if (!current.isEmpty()) dialog.selectFile(QFileInfo(current).fileName());
  if (AfxRunModal(&dialog) != QDialog::Accepted) return;
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return;
  m_strModule = files.first();
  m_editModule->setText(m_strModule);  // empties the list and the information
}

void CTtsConfDlg::OnListEngines() {
  m_strModule = m_editModule->text();
  if (m_strModule.isEmpty()) return;

  // The address is checked before anything is unloaded, so a typing slip
  // costs nothing.
  QString address;
  const bool byAddress = m_chkQueryIP->isChecked();
  if (byAddress) {
    address = m_ipAddress->DottedText();
    if (address.isEmpty()) {
      Message(AfxString(IDS_CONF_BAD_ADDRESS), MB_ICONSTOP);
      m_ipAddress->setFocus();
      return;
    }
  }

  QApplication::setOverrideCursor(Qt::WaitCursor);
  ++m_nWaitCursor;
  const auto restoreCursor = qScopeGuard([this] {
    --m_nWaitCursor;
    QApplication::restoreOverrideCursor();
  });

  CTtsAdapter& adapter = TheAdapter();
  uint32_t rc = 0;
  // The loaded library stays when it is the one named. A stored path whose
  // library is not loaded (start-up could not load it) is loaded now.
  if (!(adapter.IsLoaded() && adapter.ModulePath() == m_strModule)) {
    if (adapter.HasInstance()) {
      const ConfMessage question = UnloadQuestion(adapter.EngineName());
      if (Message(question.text, question.type) != IDOK) return;
      adapter.Uninitialize();
    }
    adapter.UnloadModule();
    // The old library's lines name nothing any more.
    ClearEngines();
    rc = adapter.LoadModule(&m_strModule);
    if (!IsAcceptedResult(rc)) {
      const ConfMessage message = LoadFailureMessage(rc);
      Message(message.text, message.type);
      return;
    }
  }
  if (rc == 0) {
    rc = adapter.EnumEngines(nullptr, byAddress ? &address : nullptr);
    if (rc != 0) {
      ClearEngines();
      const ConfMessage message = EnumFailureMessage(rc);
      Message(message.text, message.type);
      adapter.UnloadModule();
      return;
    }
  }

  m_cbEngines->clear();
  const uint32_t count = adapter.EngineCount();
  for (uint32_t i = 0; i < count; ++i)
    m_cbEngines->addItem(EngineListLine(static_cast<int>(i) + 1, *adapter.EngineRecord(int(i))));
  const int selected = PreselectedEngine(
      count, [&adapter](uint32_t i) { return adapter.EngineRecord(int(i)); },
      adapter.ServerAddress(), adapter.EngineName());
  if (selected >= 0) {
    m_cbEngines->setCurrentIndex(selected);
    OnSelChangeEngine();
  } else {
    m_editInfo->clear();
  }
}

void CTtsConfDlg::OnSelChangeEngine() {
  // Nothing selected: the adapter's current record.
  const TTSEngineInfo* record = TheAdapter().EngineRecord(m_cbEngines->currentIndex());
  QString text = EngineInfoText(record);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  m_editInfo->setPlainText(text);
}

void CTtsConfDlg::OnOK() {
  CTtsAdapter& adapter = TheAdapter();
  const int index = m_cbEngines->currentIndex();
  // A line whose record is gone counts as nothing selected.
  const TTSEngineInfo* record = index >= 0 ? adapter.EngineRecord(index) : nullptr;
  if (record == nullptr) {
    Message(AfxString(IDS_SELECT_ENGINE_FIRST), MB_ICONSTOP);
    return;
  }
  const QByteArray address = VUDEZE_RECORD_TEXT(*record, serverAddress);
  const QByteArray name = VUDEZE_RECORD_TEXT(*record, name);

  // The connected engine again: nothing to select, nothing to save.
  if (!(adapter.HasInstance() && adapter.IsCurrentEngine(address.constData(), name.constData()))) {
    const bool save = m_chkSaveDefault->isChecked();
    const QString wideAddress = MultiByteToWide(GetACP(), address);
    const QString wideName = MultiByteToWide(GetACP(), name);
    const uint32_t rc = adapter.SelectEngine(&wideAddress, &wideName);
    if (!IsAcceptedResult(rc)) {
      const ConfMessage question = SelectFailureQuestion(rc, save);
      if (Message(question.text, question.type) != IDOK) return;
    }
    if (save) {
      CRegKey root = CRegKey::Root();
      const uint32_t written = adapter.WriteConfig(&root);
      // The engine is in use all the same; only the saving failed.
      if (written != 0) {
        const ConfMessage message = SaveFailureMessage(written);
        Message(message.text, message.type);
      }
    }
  }
  DoDataExchange(true);
  QDialog::accept();
}
