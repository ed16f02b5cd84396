// The About box, built offscreen: what it shows with and without an engine
// library, and when a double click on the engine's name asks the main window
// for the engine's splash text.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <vector>

#include "engine/TtsAdapter.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"
#include "sdk/ttsapi.h"
#include "shell/AboutBox.h"
#include "tests/engine/EngineTestSupport.h"

// The version this test program reports as its own.
TTS_VERSION_NOTE(abouttest,
                 "FileVersion\0"
                 "9.8.7.654\0");

namespace {

// A main window that notes the commands posted to it.
class CRecordingFrame : public CFrameWnd {
 public:
  bool OnCommand(uint32_t id, bool) override {
    commands.push_back(id);
    return true;
  }
  std::vector<uint32_t> commands;
};

class AboutBoxTest : public ::testing::Test {
 protected:
  void TearDown() override {
    TheAdapter().Uninitialize();
    TheAdapter().UnloadModule();
  }
  void Open() {
    m_box = std::make_unique<CAboutBox>();
    m_box->show();
  }
  QString Text(const char* id) {
    if (auto* edit = m_box->findChild<QLineEdit*>(QLatin1String(id))) return edit->text();
    if (auto* label = m_box->findChild<QLabel*>(QLatin1String(id))) return label->text();
    ADD_FAILURE() << "no control " << id;
    return {};
  }
  std::unique_ptr<CAboutBox> m_box;
};

TEST_F(AboutBoxTest, NoEngineConfigured) {
  Open();
  EXPECT_EQ(m_box->windowTitle(), QString::fromUtf8("关于本演示程序"));
  EXPECT_EQ(Text("1039"), "VarenTTS TTS-Engine");
  EXPECT_EQ(Text("1040"), "x.x.x.xxx");
  EXPECT_EQ(Text("1034"), QString());
  EXPECT_EQ(Text("1046"), "9.8.7.654");
}

TEST_F(AboutBoxTest, ConfiguredLibraryShowsItsNameAndVersionNote) {
  TheAdapter().SetModulePath(BinPath("libtestengine.so"));
  Open();
  EXPECT_EQ(Text("1039"), "libtestengine.so");
  EXPECT_EQ(Text("1034"), "VUDEZE Test Engine");
  EXPECT_EQ(Text("1040"), "1.0.0.1");
  EXPECT_EQ(Text("1046"), "9.8.7.654");

  // A file without a version note: its name as it is, the versions empty.
  QTemporaryDir dir;
  TheAdapter().SetModulePath(dir.filePath("engine.xyz"));
  Open();
  EXPECT_EQ(Text("1039"), "engine.xyz");
  EXPECT_EQ(Text("1034"), QString());
  EXPECT_EQ(Text("1040"), QString());
}

TEST_F(AboutBoxTest, DoubleClickAsksForTheSplashTextOnlyOfAConnectedOlmiEngine) {
  ScriptedEngine engine;
  ASSERT_TRUE(engine.IsValid());
  ASSERT_EQ(engine.Configure("engine Folmia 127.0.0.1\nengine Olmia 127.0.0.1\n"), QString());
  CWinApp app;
  auto* frame = new CRecordingFrame;
  app.m_pMainWnd = frame;
  const QString path = engine.Path(), address = QStringLiteral("127.0.0.1");
  ASSERT_EQ(TheAdapter().LoadModule(&path), 0u);
  ASSERT_EQ(TheAdapter().EnumEngines(nullptr, nullptr), 0u);

  struct Row {
    const char* engine;  // null: none connected
    bool posted;
  } rows[] = {{nullptr, false}, {"Olmia", false}, {"Folmia", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.engine ? row.engine : "(none)");
    if (row.engine != nullptr) {
      const QString name = QString::fromLatin1(row.engine);
      ASSERT_EQ(TheAdapter().SelectEngine(&address, &name), 0u);
    }
    Open();
    auto* engineName = m_box->findChild<CClickStatic*>(QStringLiteral("1039"));
    ASSERT_NE(engineName, nullptr);
    QTest::mouseDClick(engineName, Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(m_box->isVisible(), !row.posted);
    EXPECT_EQ(m_box->result(), row.posted ? QDialog::Accepted : 0);
    EXPECT_EQ(frame->commands,
              row.posted ? std::vector<uint32_t>{ID_SHOW_ENGINE_TEXT} : std::vector<uint32_t>{});
  }

  // The keyboard reaches the same: focus on the name, then Return.
  frame->commands.clear();
  Open();
  auto* engineName = m_box->findChild<CClickStatic*>(QStringLiteral("1039"));
  engineName->setFocus();
  QTest::keyClick(engineName, Qt::Key_Return);
  QCoreApplication::processEvents();
  EXPECT_EQ(frame->commands, std::vector<uint32_t>{ID_SHOW_ENGINE_TEXT});
  m_box.reset();
  app.m_pMainWnd = nullptr;
  delete frame;
}

}  // namespace
