// The real control panel, offscreen: filled from the bundled engine inside
// the program, driven with the keyboard so that what is heard follows the
// choices, scrolled with its buttons, and reconnecting a test engine that
// stops answering.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>

#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "resources/ResourceIds.h"
#include "settings/BcxComboBox.h"
#include "settings/BcxSlider.h"
#include "settings/ControlPanel.h"
#include "settings/JDButton.h"
#include "shell/MainFrame.h"
#include "tests/audio/WaveCapture.h"  // first: points ALSA at the capture device
#include "tests/engine/EngineTestSupport.h"
#include "tests/shell/AppTestSupport.h"

using namespace panel;

namespace {

class ControlPanelInProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    SetSettingsDefaults(BinPath("vudeze-defaults.conf"));  // the bundled engine
    ASSERT_TRUE(f.Start());
    frame = f.app->m_pMainWnd;
    doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
    panel = f.app->m_pControlPanel;
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(TheAdapter().HasInstance());
  }
  void TearDown() override { SetTextCodePage(GetACP()); }

  // Plays the document's text and returns what the sound card was given.
  QByteArray Play() {
    QFile::remove(wavecapture::CapturePath());
    if (!frame->OnCommand(ID_SYNTH_PLAY, false)) return {};
    if (!QTest::qWaitFor([this] { return f.app->IsPipelineIdle(); }, 60000)) return {};
    QCoreApplication::processEvents();
    return ReadAll(wavecapture::CapturePath());
  }
  // Presses a key on a control as a user would (press, then release).
  static void Press(QWidget* control, Qt::Key key, int times = 1) {
    control->setFocus();
    for (int i = 0; i < times; ++i) QTest::keyClick(control, key);
  }

  AppFixture f;
  CFrameWnd* frame = nullptr;
  CTTSDemoDoc* doc = nullptr;
  CControlPanel* panel = nullptr;
};

TEST_F(ControlPanelInProgram, ListsAreFilledFromTheBundledEngine) {
  uint32_t items = 0;
  for (uint32_t i = 0; i < TheAdapter().VoiceCount(); ++i)
    items += TheAdapter().VoiceRecord(i)->sampleRateCount;
  EXPECT_EQ(panel->ListCtrl(kVoiceLib)->count(), static_cast<int>(items));
  EXPECT_GE(items, 22u);
  CBcxComboBox* packages = panel->ListCtrl(kUserLib);
  ASSERT_GE(packages->findText(QStringLiteral("abbrev")), 1);
  ASSERT_GE(packages->findText(QStringLiteral("units")), 1);
  EXPECT_EQ(packages->findText(QStringLiteral("standard")), -1);
  for (int id : kOptionIds) EXPECT_GE(panel->ListCtrl(id)->count(), 2) << id;
  for (int id : kSliderIds) {
    EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("Value%1").arg(id))->text(), "0");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(panel->SliderCtrl(id))->text(QAccessible::Name),
              panel->LabelOf(id)->text());
  }

  // The background sounds follow the chosen custom resource.
  CBcxComboBox* sounds = panel->ListCtrl(kBgSound);
  EXPECT_EQ(sounds->count(), 1);
  packages->setFocus();
  while (packages->currentText() != QStringLiteral("abbrev"))
    QTest::keyClick(packages, Qt::Key_Down);
  EXPECT_TRUE(sounds->isEnabled());
  EXPECT_GT(sounds->count(), 1);
  // A list tells its chosen item; its label is found through the relation.
  QAccessibleInterface* list = QAccessible::queryAccessibleInterface(sounds);
  EXPECT_EQ(list->text(QAccessible::Value), sounds->currentText());
  const auto labels = list->relations(QAccessible::Label);
  EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const auto& relation) {
    return relation.first->object() == panel->LabelOf(kBgSound);
  }));
}

// A Mandarin voice and a slower rate chosen with the keyboard are what the
// next play speaks: at rate 0 the play equals the command-line export with
// that voice, and the slower rate takes longer.
TEST_F(ControlPanelInProgram, TheChosenVoiceAndRateAreHeard) {
  const QString text = QString::fromUtf8("我今天一起去山上看大海");
  SetTextCodePage(936);
  doc->GetView()->SetText(text);

  CBcxComboBox* voices = panel->ListCtrl(kVoiceLib);
  const int mandarin =
      voices->findText(QStringLiteral("Mandarin Female - 16K"), Qt::MatchStartsWith);
  ASSERT_GE(mandarin, 0);
  voices->setFocus();
  while (voices->currentIndex() < mandarin) QTest::keyClick(voices, Qt::Key_Down);
  uint32_t value = 0;
  ASSERT_EQ(TheAdapter().GetEngineParam(TTS_PARAM_VOICE, &value), 0u);
  EXPECT_EQ(value, 1u);

  CBcxSlider* rate = panel->SliderCtrl(kRate);
  Press(rate, Qt::Key_PageDown, 10);
  ASSERT_EQ(TheAdapter().GetEngineParam(TTS_PARAM_RATE, &value), 0u);
  EXPECT_EQ(static_cast<int32_t>(value), rate->value());
  EXPECT_LT(rate->value(), -50);
  EXPECT_EQ(panel->findChild<QLabel*>(QStringLiteral("Value%1").arg(kRate))->text(),
            QString::number(rate->value()));
  // Enter gives the keyboard back to the text.
  QTest::keyClick(rate, Qt::Key_Return);
  EXPECT_EQ(frame->focusWidget(), doc->GetView());
  const QByteArray slow = Play();

  Press(rate, Qt::Key_PageUp, 10);
  ASSERT_EQ(rate->value(), 0);
  const QByteArray normal = Play();
  ASSERT_GT(normal.size(), 32000);
  EXPECT_GT(slow.size(), normal.size() * 11 / 10);

  const QString input = f.TempPath("text.txt"), output = f.TempPath("cli.wav");
  WriteAll(input, WideToMultiByte(936, text));
  ProcessResult cli = RunProgram(BinPath("vudeze-cli"), {"export", "--voice", "1", "--format", "4",
                                                         "--codepage", "936", "-o", output, input});
  ASSERT_EQ(cli.exitCode, 0) << cli.err.toStdString();
  EXPECT_TRUE(ReadAll(output).mid(44) == normal);
}

TEST_F(ControlPanelInProgram, ChoicesComeBackAfterARestart) {
  Press(panel->SliderCtrl(kPitch), Qt::Key_PageUp, 3);
  Press(panel->ListCtrl(kPunctuation), Qt::Key_Down);
  const int pitch = panel->SliderCtrl(kPitch)->value();
  ASSERT_GT(pitch, 0);
  frame->close();
  f.Exit();
  ASSERT_TRUE(f.Start());
  panel = f.app->m_pControlPanel;
  EXPECT_EQ(panel->SliderCtrl(kPitch)->value(), pitch);
  EXPECT_EQ(panel->ListCtrl(kPunctuation)->currentIndex(), 1);
  uint32_t value = 0;
  ASSERT_EQ(TheAdapter().GetEngineParam(TTS_PARAM_PITCH, &value), 0u);
  EXPECT_EQ(static_cast<int32_t>(value), pitch);
  ASSERT_EQ(TheAdapter().GetEngineParam(TTS_PARAM_PUNCTUATION, &value), 0u);
  EXPECT_EQ(value, 1u);

  // A run that ends without its window being closed keeps them as well.
  Press(panel->SliderCtrl(kPitch), Qt::Key_PageUp);
  f.Exit();
  ASSERT_TRUE(f.Start());
  EXPECT_EQ(f.app->m_pControlPanel->SliderCtrl(kPitch)->value(), pitch + 10);
}

TEST_F(ControlPanelInProgram, ScrollButtonsSlideThePanelByTwentyPixels) {
  CJDButton* upper = panel->MoveUpperButton();
  CJDButton* lower = panel->MoveLowerButton();
  panel->PlaceInBar(250, 300);
  EXPECT_EQ(panel->height(), 301);
  EXPECT_TRUE(lower->isVisible());
  EXPECT_FALSE(upper->isVisible());
  QTest::mouseClick(lower, Qt::LeftButton);
  EXPECT_EQ(panel->ScrollOffset(), 20);
  EXPECT_EQ(panel->y(), -20);
  EXPECT_TRUE(upper->isVisible());
  for (int i = 1; i < 8; ++i) QTest::mouseClick(lower, Qt::LeftButton);
  EXPECT_EQ(panel->ScrollOffset(), 160);
  EXPECT_EQ(panel->height(), 461);
  EXPECT_FALSE(lower->isVisible());
  QTest::mouseClick(upper, Qt::LeftButton);
  EXPECT_EQ(panel->ScrollOffset(), 140);
  EXPECT_EQ(panel->height(), 441);
  EXPECT_TRUE(lower->isVisible());
}

// The main window's keys work while the panel has the focus.
TEST_F(ControlPanelInProgram, FrameKeysWorkFromThePanel) {
  doc->GetView()->SetText(QStringLiteral("Hello."));
  Press(panel->ListCtrl(kTextType), Qt::Key_F11);
  EXPECT_TRUE(static_cast<CMainFrame*>(frame)->IsFullScreen());
  Press(panel->ListCtrl(kTextType), Qt::Key_F11);
  EXPECT_FALSE(static_cast<CMainFrame*>(frame)->IsFullScreen());
  QTest::keyClick(panel->ListCtrl(kTextType), Qt::Key_Escape);
  EXPECT_EQ(frame->focusWidget(), doc->GetView());
}

TEST(ControlPanelWatchdog, AnEngineThatStopsAnsweringIsReconnected) {
  ScriptedEngine engine;
  ASSERT_TRUE(engine.IsValid());
  ASSERT_EQ(engine.Configure("engine E1 127.0.0.1\nvoice 3 V 1 2 2052:1 16000\nparamfail 16 20\n"),
            QString());
  const QString path = engine.Path(), a = QStringLiteral("127.0.0.1"), n = QStringLiteral("E1");
  ASSERT_EQ(TheAdapter().LoadModule(&path), 0u);
  ASSERT_EQ(TheAdapter().EnumEngines(nullptr, nullptr), 0u);
  ASSERT_EQ(TheAdapter().SelectEngine(&a, &n), 0u);
  {
    CControlPanel panel(nullptr);
    // A parameter the engine cannot read disables its list and label.
    EXPECT_FALSE(panel.ListCtrl(kEnglishReading)->isEnabled());
    EXPECT_FALSE(panel.LabelOf(kEnglishReading)->isEnabled());
    EXPECT_TRUE(panel.ListCtrl(kPunctuation)->isEnabled());

    engine.ClearLog();
    engine.Lose();
    panel.SetWatchdogPeriod(20);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !engine.Log().filter(QStringLiteral("TTSConnect")).isEmpty(); }, 5000));
    // Read again after the reconnection: the voice list is filled anew.
    QTest::qWait(50);
    EXPECT_TRUE(panel.SliderCtrl(kRate)->isEnabled());
    EXPECT_EQ(panel.ListCtrl(kVoiceLib)->count(), 1);
    EXPECT_EQ(engine.Log().filter(QStringLiteral("TTSConnect")).size(), 1);
  }
  TheAdapter().Uninitialize();
  TheAdapter().UnloadModule();
}

}  // namespace
