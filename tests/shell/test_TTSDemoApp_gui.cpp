// The application's start-up, languages and shutdown, run for real with the
// test engine and the bundled engine, offscreen.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QMenuBar>

#include "engine/TtsAdapter.h"
#include "framework/DocView.h"
#include "platform/VersionInfo.h"
#include "resources/ResourceIds.h"
#include "sdk/ttsapi.h"
#include "shell/MainFrame.h"
#include "tests/shell/AppTestSupport.h"

// The version this test program reports as its own.
TTS_VERSION_NOTE(apptest,
                 "FileVersion\0"
                 "5.0.0.77\0");

namespace {

const QString kNoSoundCard = QString::fromUtf8("打开音频输出设备失败，播放功能将无法使用。");

QStringList Without(QStringList list, const QString& text) {
  list.removeAll(text);
  return list;
}

// Nothing stored, nothing installed, nothing on the command line: no engine,
// no message, an empty document, and the configuration dialog by itself.
TEST(AppStartup, FirstRunOpensTheConfigurationDialog) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  EXPECT_FALSE(TheAdapter().IsLoaded());
  EXPECT_TRUE(Without(f.messages, kNoSoundCard).isEmpty()) << qPrintable(f.messages.join('|'));
  EXPECT_TRUE(f.splashTexts.isEmpty());
  ASSERT_NE(f.app->m_pMainWnd, nullptr);
  EXPECT_EQ(f.app->m_pMainWnd->windowTitle(), QString::fromUtf8("Tonarel合成系统演示程序－无标题"));
  EXPECT_EQ(f.dialogs, QStringList({"CTtsConfDlg"}));
}

// The engine the program is installed with connects on a fresh profile
// without asking anything; the user's own choice wins over it.
TEST(AppStartup, InstalledDefaultsConnectTheBundledEngine) {
  AppFixture f;
  SetSettingsDefaults(BinPath("vudeze-defaults.conf"));
  ASSERT_TRUE(f.Start());
  EXPECT_TRUE(TheAdapter().HasInstance());
  EXPECT_EQ(TheAdapter().EngineName(), "espeak-ng");
  EXPECT_TRUE(f.dialogs.isEmpty());
  f.Exit();

  AppFixture::StoreEngine(BinPath("libtestengine.so"), "E2", "127.0.0.1");
  f.Script("engine E1 127.0.0.1\nengine E2 127.0.0.1\n");
  ASSERT_TRUE(f.Start());
  EXPECT_EQ(TheAdapter().ModulePath(), BinPath("libtestengine.so"));
  EXPECT_EQ(TheAdapter().EngineName(), "E2");
}

TEST(AppStartup, ALibraryThatCannotBeLoadedShowsItsCodeAndTheDialog) {
  AppFixture f;
  ASSERT_TRUE(f.Start({"-s", "/nonexistent/libnothere.so"}));
  ASSERT_EQ(f.splashTexts.size(), 1);
  EXPECT_TRUE(f.splashTexts[0].contains("0x0000007e")) << qPrintable(f.splashTexts[0]);
  EXPECT_TRUE(f.splashTexts[0].startsWith(QString::fromUtf8("初始化TTS合成系统失败,")));
  // The engine came from the command line: the configuration command asks first.
  EXPECT_TRUE(f.messages.contains(AfxString(IDS_ASK_ENGINE_FROM_SHORTCUT)));
  EXPECT_EQ(f.dialogs, QStringList({"CTtsConfDlg"}));
}

TEST(AppStartup, ResourceAndBusyFailuresExplainThemselvesWithoutTheDialog) {
  for (const auto& [code, string] :
       {std::pair<int, uint32_t>{1283, IDS_INIT_FAILED_RESOURCES}, {32, IDS_INIT_FAILED_BUSY}}) {
    AppFixture f;
    AppFixture::StoreEngine(BinPath("libtestengine.so"), "E1", "127.0.0.1");
    f.Script(
        QStringLiteral("engine E1 127.0.0.1\nresult SEMFindFirstEngine %1\n").arg(code).toUtf8());
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(f.splashTexts, QStringList({AfxString(string)})) << code;
    EXPECT_TRUE(f.dialogs.isEmpty()) << code;
    ASSERT_NE(f.app->m_pMainWnd, nullptr);
  }
}

// A shortcut naming a library connects its first engine on a fresh profile,
// and still prefers the stored engine where the library offers it.
TEST(AppStartup, ALibraryFromTheCommandLineConnectsItsFirstEngine) {
  AppFixture f;
  f.Script("engine First 127.0.0.1\nengine Second 127.0.0.1\n");
  ASSERT_TRUE(f.Start({"-s", BinPath("libtestengine.so")}));
  EXPECT_TRUE(TheAdapter().HasInstance());
  EXPECT_EQ(TheAdapter().EngineName(), "First");
  EXPECT_TRUE(f.splashTexts.isEmpty());
  EXPECT_TRUE(f.dialogs.isEmpty());
  f.Exit();

  AppFixture::StoreEngine(BinPath("libtestengine.so"), "Second", "127.0.0.1");
  ASSERT_TRUE(f.Start({"-s", BinPath("libtestengine.so")}));
  EXPECT_EQ(TheAdapter().EngineName(), "Second");
}

TEST(AppStartup, AStoredLanguageWhosePackIsMissingFallsBack) {
  AppFixture f;
  QTemporaryDir noPacks;
  WriteProfileInt("Settings", "LangID", ID_LANG_ENU);
  setenv("LANG", "zh_CN.UTF-8", 1);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  CTTSDemoApp& app = f.Make();
  app.m_strPackDir = noPacks.path();
  ASSERT_TRUE(app.InitInstance());
  f.started = true;
  EXPECT_EQ(app.m_nLangID, ID_LANG_CHS);
  EXPECT_EQ(AfxGetResourceHandle(), CResourceModule::Program());
  EXPECT_FALSE(app.m_pMainWnd->IsCommandEnabled(ID_LANG_ENU));
  EXPECT_TRUE(app.m_pMainWnd->IsCommandEnabled(ID_LANG_CHS));
  f.Exit();
  EXPECT_EQ(GetProfileInt("Settings", "LangID", 0), int(ID_LANG_CHS));

  // With the packs there, the stored language is taken.
  WriteProfileInt("Settings", "LangID", ID_LANG_CHT);
  ASSERT_TRUE(f.Start());
  EXPECT_EQ(f.app->m_nLangID, ID_LANG_CHT);
  EXPECT_EQ(f.app->m_pMainWnd->menuBar()->actions().first()->text(), QString::fromUtf8("文件(&F)"));
  EXPECT_EQ(AfxString(IDS_INIT_FAILED_BUSY).left(12), QString::fromUtf8("初始化TTS合成系統失敗"));
}

TEST(AppStartup, ANewVersionDiscardsTheStoredLayout) {
  AppFixture f;
  CRegKey root = CRegKey::Root();
  root.SetString("Version", "4.9.0.1");
  CRegKey layout;
  layout.Create(CRegKey::Root(), "BcxSettings\\MainFrame");
  layout.SetString("State", "garbage");
  EXPECT_FALSE(CheckLayoutVersion("5.0.0.77"));
  EXPECT_NE(layout.Open(CRegKey::Root(), "BcxSettings"), 0u);

  ASSERT_TRUE(f.Start());
  f.Exit();
  QString version;
  EXPECT_EQ(CRegKey::Root().QueryString("Version", &version), 0u);
  EXPECT_EQ(version, "5.0.0.77");
  // The same version keeps the layout the last exit stored.
  EXPECT_TRUE(CheckLayoutVersion("5.0.0.77"));
  EXPECT_EQ(layout.Open(CRegKey::Root(), "BcxSettings\\MainFrame"), 0u);
}

TEST(AppLanguage, SwitchingKeepsTextPathAndModifiedFlag) {
  AppFixture f;
  const QString path = f.TempPath("story.txt");
  ASSERT_TRUE(WriteAll(path, "Once upon a time"));
  ASSERT_TRUE(f.Start({path}));
  CFrameWnd* oldFrame = f.app->m_pMainWnd;
  auto* view = dynamic_cast<CEditView*>(oldFrame->GetActiveView());
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetText(), "Once upon a time");
  // A character no single-byte code page has, so nothing may go through one.
  view->moveCursor(QTextCursor::End);
  view->insertPlainText(QString::fromUtf8(" 从前"));
  ASSERT_TRUE(oldFrame->GetActiveDocument()->IsModified());

  ASSERT_TRUE(f.app->SwitchLanguage(ID_LANG_ENU, f.app->m_hLangPackEnu));
  CFrameWnd* frame = f.app->m_pMainWnd;
  ASSERT_NE(frame, nullptr);
  EXPECT_NE(frame, oldFrame);
  CDocument* doc = frame->GetActiveDocument();
  EXPECT_EQ(dynamic_cast<CEditView*>(frame->GetActiveView())->GetText(),
            QString::fromUtf8("Once upon a time 从前"));
  EXPECT_EQ(doc->GetPathName(), QFileInfo(path).absoluteFilePath());
  EXPECT_TRUE(doc->IsModified());
  EXPECT_TRUE(frame->windowTitle().endsWith(QString::fromUtf8("－story.txt*")))
      << qPrintable(frame->windowTitle());
  EXPECT_EQ(frame->menuBar()->actions().first()->text(), "&File");
  EXPECT_EQ(f.app->m_nLangID, ID_LANG_ENU);

  // The language that is current already: nothing happens.
  EXPECT_FALSE(f.app->SwitchLanguage(ID_LANG_ENU, f.app->m_hLangPackEnu));
  EXPECT_EQ(f.app->m_pMainWnd, frame);
  // Through the command, back to Simplified Chinese.
  EXPECT_TRUE(frame->OnCommand(ID_LANG_CHS, false));
  EXPECT_EQ(f.app->m_nLangID, ID_LANG_CHS);
  EXPECT_EQ(f.app->m_pMainWnd->menuBar()->actions().first()->text(), QString::fromUtf8("文件(&F)"));
}

}  // namespace
