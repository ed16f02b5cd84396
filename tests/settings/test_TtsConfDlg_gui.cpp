// The engine configuration dialog, built offscreen and driven through its
// controls against the scriptable test engine; message boxes and the file
// dialog are answered by hooks.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <memory>

#include "engine/TtsAdapter.h"
#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"
#include "settings/IPAddressCtrl.h"
#include "settings/TtsConfDlg.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

const char* kEngines =
    "engine E1 127.0.0.1 version=1.0 charsets=1,4,6\n"
    "engine E2 127.0.0.1 version=2.0 vendor=Acme\n"
    "engine E3 10.0.0.9\n";

struct Shown {
  QString text;
  uint32_t type;
};

class TtsConfDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_engine.IsValid()) << "test engine not built";
    ASSERT_EQ(m_engine.Configure(kEngines), QString());
    ResetAdapter();
    CRegKey::Root().RecurseDeleteKey(QStringLiteral("Adapter"));
    SetMessageBoxHook([this](const QString& text, uint32_t type) {
      m_messages.push_back({text, type});
      if (m_answers.empty()) return IDOK;
      const int answer = m_answers.front();
      m_answers.pop_front();
      return answer;
    });
  }
  void TearDown() override {
    m_dialog.reset();
    SetMessageBoxHook({});
    SetModalHook({});
    ResetAdapter();
  }
  static void ResetAdapter() {
    TheAdapter().Uninitialize();
    TheAdapter().UnloadModule();
  }
  // The test engine loaded, enumerated and connected to one engine.
  void Connect(const char* address, const char* name) {
    const QString path = m_engine.Path(), a = QString::fromUtf8(address),
                  n = QString::fromUtf8(name);
    ASSERT_EQ(TheAdapter().LoadModule(&path), 0u);
    ASSERT_EQ(TheAdapter().EnumEngines(nullptr, nullptr), 0u);
    ASSERT_EQ(TheAdapter().SelectEngine(&a, &n), 0u);
  }
  void Open() {
    m_dialog = std::make_unique<CTtsConfDlg>();
    m_dialog->show();
  }
  template <typename W>
  W* Control(const char* name) {
    W* w = m_dialog->findChild<W*>(QLatin1String(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QLineEdit* Module() { return Control<QLineEdit>("IDC_MODULE"); }
  QComboBox* Engines() { return Control<QComboBox>("IDC_ENGINES"); }
  QPlainTextEdit* Info() { return Control<QPlainTextEdit>("IDC_ENGINE_INFO"); }
  void Click(const char* name) { Control<QAbstractButton>(name)->click(); }
  // The value of a setting under "Adapter", or "(none)".
  static QString Saved(const char* name) {
    CRegKey key;
    if (key.Open(CRegKey::Root(), QStringLiteral("Adapter")) != 0) return QStringLiteral("(none)");
    QString value;
    return key.QueryString(QLatin1String(name), &value) == 0 ? value : QStringLiteral("(none)");
  }

  ScriptedEngine m_engine;
  std::unique_ptr<CTtsConfDlg> m_dialog;
  std::vector<Shown> m_messages;
  std::deque<int> m_answers;
};

TEST_F(TtsConfDlgTest, PortShows13606AndStaysDisabledWhateverTheCheckBox) {
  Open();
  auto* query = Control<QCheckBox>("IDC_QUERY_IP");
  auto* ip = Control<CIPAddressCtrl>("IDC_IPADDRESS");
  auto* port = Control<QLineEdit>("IDC_PORT");
  for (bool ticked : {false, true, false, true}) {
    SCOPED_TRACE(ticked);
    if (query->isChecked() != ticked) query->click();
    EXPECT_EQ(ip->isEnabled(), ticked);
    EXPECT_EQ(port->text(), "13606");
    EXPECT_FALSE(port->isEnabled());
  }
  // Fields carry their labels' texts as accessible names.
  QAccessibleInterface* access = QAccessible::queryAccessibleInterface(ip);
  EXPECT_EQ(access->text(QAccessible::Name), QString::fromUtf8("IP地址"));
  EXPECT_EQ(access->text(QAccessible::Value), "192.168.0.100");
  access = QAccessible::queryAccessibleInterface(Module());
  EXPECT_EQ(access->text(QAccessible::Name), QString::fromUtf8("请指明合成服务内核的路径"));
  // The address box takes only what can become an address.
  ip->clear();
  ip->setFocus();
  QTest::keyClicks(ip, "300.1");
  EXPECT_EQ(ip->text(), "30.1");
  EXPECT_EQ(ip->DottedText(), QString());
}

TEST_F(TtsConfDlgTest, OpeningWhileConnectedListsWithoutAskingAndShowsTheCurrentEngine) {
  Connect("127.0.0.1", "E2");
  m_engine.ClearLog();
  Open();
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Module()->text(), m_engine.Path());
  ASSERT_EQ(Engines()->count(), 3);
  EXPECT_EQ(Engines()->itemText(0), "01. tts://127.0.0.1/E1");
  EXPECT_EQ(Engines()->itemText(2), "03. tts://10.0.0.9/E3");
  EXPECT_EQ(Engines()->currentIndex(), 1);
  EXPECT_TRUE(Info()->toPlainText().startsWith("Name:\t E2\nVersion: 2.0\n"));
  EXPECT_TRUE(Info()->toPlainText().contains("Vendor:\t Acme\n"));
  // The loaded library stayed and the engine stayed connected.
  EXPECT_EQ(m_engine.Count("TTSUninitialize"), 0u);
  EXPECT_EQ(m_engine.Count("TTSDisconnect"), 0u);
  EXPECT_EQ(m_engine.Log().filter(QRegularExpression("^SEMFindFirstEngine")).size(), 1);
  EXPECT_TRUE(TheAdapter().HasInstance());

  // Choosing another line shows its information.
  Engines()->setFocus();
  QTest::keyClick(Engines(), Qt::Key_Up);
  EXPECT_TRUE(Info()->toPlainText().contains("Charset: GB2312;UNICODE;UTF8;\n"));

  // Every keystroke in the path box empties the list and the information.
  Module()->setFocus();
  Module()->end(false);
  const QString typed = Module()->text();
  for (Qt::Key key : {Qt::Key_X, Qt::Key_Y, Qt::Key_Backspace}) {
    SCOPED_TRACE(key);
    Engines()->addItem(QStringLiteral("stale"));
    Info()->setPlainText(QStringLiteral("stale"));
    QTest::keyClick(Module(), key);
    EXPECT_EQ(Engines()->count(), 0);
    EXPECT_EQ(Info()->toPlainText(), QString());
  }
  EXPECT_EQ(Module()->text(), typed + "x");
}

TEST_F(TtsConfDlgTest, AddressIsPassedOnlyWhenTickedAndSavedAsAssigned) {
  Open();
  Module()->setText(m_engine.Path());
  Click("IDC_LIST_ENGINES");
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Engines()->count(), 3);
  EXPECT_TRUE(m_engine.Log().contains("SEMFindFirstEngine nofilter"));

  Click("IDC_QUERY_IP");
  Control<CIPAddressCtrl>("IDC_IPADDRESS")->setText(QStringLiteral("10.0.0.9"));
  m_engine.ClearLog();
  Click("IDC_LIST_ENGINES");
  EXPECT_TRUE(m_messages.empty());
  EXPECT_TRUE(
      m_engine.Log().contains("SEMFindFirstEngine filter size=160 flags=2 address=10.0.0.9"))
      << m_engine.Log().join('\n').toStdString();
  EXPECT_EQ(m_engine.Count("TTSUninitialize"), 0u);  // the same library stayed loaded
  ASSERT_EQ(Engines()->count(), 1);
  EXPECT_EQ(Engines()->currentText(), "01. tts://10.0.0.9/E3");

  Click("IDOK");
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(TheAdapter().HasInstance());
  EXPECT_EQ(Saved("AssignIP"), "1");
  EXPECT_EQ(Saved("ServerIP"), "10.0.0.9");
  EXPECT_EQ(Saved("EngineName"), "E3");
  EXPECT_EQ(Saved("SvcModule"), m_engine.Path());
}

TEST_F(TtsConfDlgTest, IncompleteAddressIsRefusedBeforeAnythingChanges) {
  Connect("127.0.0.1", "E1");
  Open();
  Module()->setText(BinPath("libtestengine_object.so"));
  Click("IDC_QUERY_IP");
  Control<CIPAddressCtrl>("IDC_IPADDRESS")->setText(QStringLiteral("10.0."));
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, AfxString(IDS_CONF_BAD_ADDRESS));
  EXPECT_TRUE(TheAdapter().HasInstance());
  EXPECT_EQ(TheAdapter().ModulePath(), m_engine.Path());
}

TEST_F(TtsConfDlgTest, OkOnTheConnectedEngineClosesWithoutSaving) {
  Connect("127.0.0.1", "E2");
  Open();
  ASSERT_TRUE(Control<QCheckBox>("IDC_SAVE_DEFAULT")->isChecked());
  Click("IDOK");
  EXPECT_EQ(m_dialog->result(), QDialog::Accepted);
  EXPECT_TRUE(m_messages.empty());
  EXPECT_EQ(Saved("SvcModule"), "(none)");
  EXPECT_EQ(m_engine.Count("TTSConnect"), 1u);
}

TEST_F(TtsConfDlgTest, OkWithNothingSelectedAsksForAnEngineFirst) {
  Open();
  Click("IDOK");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, QString::fromUtf8("请先选择一个引擎，点击“列出引擎”来获得。"));
  EXPECT_EQ(m_messages[0].type, MB_ICONSTOP);
  EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(TtsConfDlgTest, ListingFailures) {
  Open();
  QTemporaryDir dir;
  Module()->setText(dir.filePath("missing.so"));
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, "Can't load the specified module, error code = 0x007e");
  EXPECT_EQ(m_messages[0].type, MB_ICONSTOP);
  EXPECT_FALSE(TheAdapter().IsLoaded());

  // A listing that finds no engine unloads the library and lists nothing.
  Module()->setText(m_engine.Path());
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(Engines()->count(), 3);
  ASSERT_EQ(m_engine.Configure("result SEMFindFirstEngine 19\n"), QString());
  m_messages.clear();
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text,
            QString::fromUtf8("没有发现合适的合适引擎，请检查相关的引擎配置。"));
  EXPECT_EQ(m_messages[0].type, MB_ICONSTOP);
  EXPECT_FALSE(TheAdapter().IsLoaded());
  EXPECT_EQ(Engines()->count(), 0);
  EXPECT_EQ(Info()->toPlainText(), QString());
}

TEST_F(TtsConfDlgTest, AnotherLibraryWhileConnectedAsksFirst) {
  ScriptedEngine objectForm(QStringLiteral("libtestengine_object.so"));
  ASSERT_EQ(objectForm.Configure("engine O1 127.0.0.1\n"), QString());
  Connect("127.0.0.1", "E2");
  Open();
  const QString other = objectForm.Path();
  Module()->setText(other);
  m_answers = {IDCANCEL};
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text, "Engine \"E2\" loaded, Unload it to enumerate other engines?");
  EXPECT_EQ(m_messages[0].type, MB_OKCANCEL | MB_ICONQUESTION);
  EXPECT_TRUE(TheAdapter().HasInstance());
  EXPECT_EQ(TheAdapter().ModulePath(), m_engine.Path());

  m_answers = {IDOK};
  Click("IDC_LIST_ENGINES");
  EXPECT_EQ(m_messages.size(), 2u) << m_messages.back().text.toStdString();
  EXPECT_FALSE(TheAdapter().HasInstance());
  EXPECT_EQ(TheAdapter().ModulePath(), other);
  EXPECT_EQ(Engines()->count(), 1);
}

TEST_F(TtsConfDlgTest, FailedSelectionAsksWhetherToGoOn) {
  Open();
  Module()->setText(m_engine.Path());
  Click("IDC_LIST_ENGINES");
  ASSERT_EQ(m_engine.Configure((std::string(kEngines) + "result TTSConnect 5\n").c_str()),
            QString());
  m_answers = {IDCANCEL};
  Click("IDOK");
  ASSERT_EQ(m_messages.size(), 1u);
  EXPECT_EQ(m_messages[0].text,
            "Can't initialize TTS service(code = 0x0005),Save this settings now?");
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(Saved("SvcModule"), "(none)");
}

TEST_F(TtsConfDlgTest, BrowseStartsAtTheTypedPathAndEmptiesTheList) {
  Open();
  QTemporaryDir dir;
  Module()->setText(dir.filePath("engine.so"));
  Engines()->addItem(QStringLiteral("stale"));
  QString startedIn;
  QStringList filters;
  const QString chosen = BinPath("libtestengine_object.so");
  SetModalHook([&](QDialog* dialog) {
    auto* files = qobject_cast<QFileDialog*>(dialog);
    if (files == nullptr) return int(QDialog::Rejected);
    startedIn = files->directory().absolutePath();
    filters = files->nameFilters();
    files->selectFile(chosen);
    return int(QDialog::Accepted);
  });
  Click("IDC_BROWSE");
  EXPECT_EQ(startedIn, QDir(dir.path()).absolutePath());
  EXPECT_EQ(filters, QStringList({"Dynamic library files(*.so)", "All Files (*)"}));
  EXPECT_EQ(Module()->text(), chosen);
  EXPECT_EQ(Engines()->count(), 0);
  EXPECT_EQ(Info()->toPlainText(), QString());

  Module()->clear();  // an empty path box: the program's folder
  Click("IDC_BROWSE");
  EXPECT_EQ(startedIn, QDir(GetAppDir()).absolutePath());
}

}  // namespace
