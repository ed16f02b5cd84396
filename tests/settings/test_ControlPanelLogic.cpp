// The control panel's rules against the scriptable test engine through the
// real adapter: what reaches the engine, what is reported, what the lists
// hold, what is kept in the profile and how a lost engine comes back.
#include <gtest/gtest.h>

#include "engine/TtsAdapter.h"
#include "framework/ResourceModule.h"
#include "platform/Settings.h"
#include "sdk/ttsapi.h"
#include "settings/ControlPanelLogic.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/support/ReportCollector.h"

using namespace panel;

namespace {

const char* kVoices =
    "voice 3 V 1 2 2052:1,1033:0 16000,11025\n"
    "voice 7 W 2 0 1045:2 22050,6000\n";

class ControlPanelLogicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_engine.IsValid()) << "test engine not built";
    CRegKey::Root().RecurseDeleteKey(QStringLiteral("TTSSetting"));
  }
  void TearDown() override {
    TheAdapter().Uninitialize();
    TheAdapter().UnloadModule();
  }
  // Connects engine E1 at the address with the script's further lines and
  // builds the panel's state as the panel does when it is made.
  void Connect(const std::string& lines, const char* address = "127.0.0.1") {
    const std::string script =
        std::string("engine E1 ") + address + " userlib=standard;A;B\nengine E1 10.0.0.9\n" + lines;
    ASSERT_EQ(m_engine.Configure(script.c_str()), QString());
    TheAdapter().Uninitialize();
    TheAdapter().UnloadModule();
    const QString path = m_engine.Path(), a = QString::fromLatin1(address),
                  n = QStringLiteral("E1");
    ASSERT_EQ(TheAdapter().LoadModule(&path), 0u);
    ASSERT_EQ(TheAdapter().EnumEngines(nullptr, nullptr), 0u);
    ASSERT_EQ(TheAdapter().SelectEngine(&a, &n), 0u);
    m_logic = std::make_unique<CControlPanelLogic>(TheAdapter());
    m_logic->LoadItems();
    m_logic->RefreshFromEngine();
    m_reports.Take();
    m_engine.ClearLog();
  }
  QStringList Texts(int id) const {
    QStringList out;
    for (const PanelItem& item : m_logic->List(id).items) out << item.text;
    return out;
  }
  QStringList SetCalls() const { return m_engine.Log().filter(QStringLiteral("TTSSetParam")); }

  ScriptedEngine m_engine;
  ReportCollector m_reports;
  std::unique_ptr<CControlPanelLogic> m_logic;
};

TEST_F(ControlPanelLogicTest, ASliderSendsItsPositionOnceAndReportsIt) {
  Connect(kVoices);
  m_logic->OnSliderCommitted(kRate, 120);
  EXPECT_EQ(SetCalls(), QStringList{QStringLiteral("TTSSetParam 6 120")});
  auto reports = m_reports.Take();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].result, 0);
  EXPECT_EQ(reports[0].action, QStringLiteral("Rate"));
  EXPECT_EQ(reports[0].details, QStringLiteral("Set current speech-rate as 120."));

  // A second release at the same position sends nothing.
  m_engine.ClearLog();
  m_logic->OnSliderCommitted(kRate, 120);
  EXPECT_TRUE(SetCalls().isEmpty());
  EXPECT_TRUE(m_reports.Take().empty());

  // Negative values travel as the engine's 32-bit value; the range holds.
  m_logic->OnSliderCommitted(kVolume, -99);
  EXPECT_EQ(m_logic->Slider(kVolume).value, -20);
  EXPECT_EQ(DetailsOf(m_reports.Take(), QStringLiteral("Volume")),
            QStringList{QStringLiteral("Set current speech-volume as -20.")});
  EXPECT_EQ(static_cast<int32_t>(m_engine.Param(TTS_PARAM_VOLUME)), -20);
}

TEST_F(ControlPanelLogicTest, OptionsSendTheirIndexAndUnreadableOnesAreDisabled) {
  Connect(std::string(kVoices) + "paramfail 16 20\nparamfail 9 20\nparam 10 2\n");
  // Values read from the engine select their items.
  EXPECT_EQ(m_logic->List(kLineBreak).selection, 2);
  EXPECT_EQ(Texts(kPunctuation),
            (QStringList{QStringLiteral("不读标点"), QStringLiteral("读出标点")}));

  m_logic->OnListChosen(kPunctuation, 1);
  EXPECT_EQ(SetCalls(), QStringList{QStringLiteral("TTSSetParam 13 1")});
  EXPECT_EQ(DetailsOf(m_reports.Take(), QStringLiteral("SetParam")),
            QStringList{QStringLiteral("Set Current TTS Service Parameter 13 value as 1.")});

  // The English-reading list and the pitch slider cannot be read.
  EXPECT_FALSE(m_logic->List(kEnglishReading).enabled);
  EXPECT_FALSE(m_logic->List(kEnglishReading).labelEnabled);
  EXPECT_TRUE(m_logic->List(kPunctuation).enabled);
  EXPECT_FALSE(m_logic->Slider(kPitch).enabled);
  EXPECT_TRUE(m_logic->Slider(kRate).enabled);
}

TEST_F(ControlPanelLogicTest, CustomResourcesSkipStandardAndLoadTheChosenOne) {
  Connect(kVoices);
  const PanelList& list = m_logic->List(kUserLib);
  ASSERT_EQ(Texts(kUserLib), (QStringList{QStringLiteral("不加载定制资源"), QStringLiteral("A"),
                                          QStringLiteral("B")}));
  EXPECT_EQ(list.items[1].data, 2);
  EXPECT_EQ(list.items[2].data, 3);

  m_logic->OnListChosen(kUserLib, 2);
  QStringList libs = m_engine.Log().filter(QStringLiteral("UserLib"));
  EXPECT_EQ(libs, (QStringList{QStringLiteral("TTSUnloadUserLib 0"),
                               QStringLiteral("TTSLoadUserLib B length=1")}));
  m_engine.ClearLog();
  m_logic->OnListChosen(kUserLib, 0);
  libs = m_engine.Log().filter(QStringLiteral("UserLib"));
  EXPECT_EQ(libs, QStringList{QStringLiteral("TTSUnloadUserLib handle")});
}

TEST_F(ControlPanelLogicTest, VoiceListHasAnItemPerRateAndSendsOnlyWhatDiffers) {
  Connect(kVoices);
  EXPECT_EQ(Texts(kVoiceLib),
            (QStringList{QStringLiteral("V - 16K音库"), QStringLiteral("V - 11K音库"),
                         QStringLiteral("W - 22K音库"), QStringLiteral("W - 06K音库")}));
  const QList<VoiceItem>& items = m_logic->VoiceItems();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0].format, 4u);
  EXPECT_EQ(items[1].format, 6u);
  EXPECT_EQ(items[2].format, 3u);
  EXPECT_EQ(items[3].format, 8u);

  // Already the engine's voice and format: nothing is sent.
  m_logic->OnListChosen(kVoiceLib, 0);
  EXPECT_TRUE(SetCalls().isEmpty());
  // The same voice at another rate changes only the format.
  m_logic->OnListChosen(kVoiceLib, 1);
  EXPECT_EQ(SetCalls(), QStringList{QStringLiteral("TTSSetParam 5 6")});
  auto reports = m_reports.Take();
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0].action, QStringLiteral("Audio"));
  EXPECT_EQ(reports[0].details, QStringLiteral("Set current audio date format as 6."));
  // Another voice: the voice report with the voice's description.
  m_logic->OnListChosen(kVoiceLib, 2);
  const QStringList voices = DetailsOf(m_reports.Take(), QStringLiteral("Voice"));
  ASSERT_EQ(voices.size(), 1);
  EXPECT_EQ(voices[0], QStringLiteral("Set current voice as following\n"
                                      "General: EngineId = 0, VoiceId = 7, Name = W\n"
                                      "Characteristic: Gender = Male, Age = Unknown\n"
                                      "Language supported: Unknown(2)\n"
                                      "Sample-rate supported: 22050, 6000"));
}

TEST_F(ControlPanelLogicTest, BusyLocksTheVoiceChoiceAndPutsTheFormatBack) {
  Connect(kVoices);
  m_logic->SetBusy(true);
  EXPECT_FALSE(m_logic->List(kVoiceLib).enabled);
  EXPECT_FALSE(m_logic->List(kUserLib).enabled);
  EXPECT_TRUE(m_logic->List(kTextType).enabled);
  // An export set its own format meanwhile.
  ASSERT_EQ(TheAdapter().SetEngineParam(TTS_PARAM_AUDIODATAFMT, 17), 0u);
  m_engine.ClearLog();
  m_logic->SetBusy(false);
  EXPECT_TRUE(m_logic->List(kVoiceLib).enabled);
  EXPECT_EQ(SetCalls(), QStringList{QStringLiteral("TTSSetParam 5 4")});
}

TEST_F(ControlPanelLogicTest, SettingsComeBackOnlyForTheSameEngine) {
  Connect(kVoices);
  m_logic->OnSliderCommitted(kRate, -250);
  m_logic->OnListChosen(kVoiceLib, 3);
  m_logic->OnListChosen(kUserLib, 1);
  m_logic->OnListChosen(kPunctuation, 1);
  m_logic->OnListChosen(kTextType, 3);
  m_logic->SaveSettings(QStringLiteral("TTSSetting"));

  // The next run: the engine starts from its defaults.
  Connect(kVoices);
  EXPECT_EQ(m_logic->Slider(kRate).value, 0);
  m_logic->LoadSettings(QStringLiteral("TTSSetting"));
  EXPECT_EQ(m_logic->Slider(kRate).value, -250);
  EXPECT_EQ(m_logic->List(kVoiceLib).selection, 3);
  EXPECT_EQ(m_logic->List(kUserLib).selection, 1);
  EXPECT_EQ(m_logic->List(kPunctuation).selection, 1);
  EXPECT_EQ(m_logic->List(kTextType).selection, 3);
  EXPECT_EQ(static_cast<int32_t>(m_engine.Param(TTS_PARAM_RATE)), -250);
  EXPECT_EQ(m_engine.Param(TTS_PARAM_VOICE), 7u);
  EXPECT_EQ(m_engine.Param(TTS_PARAM_AUDIODATAFMT), 8u);
  EXPECT_EQ(m_engine.Param(TTS_PARAM_PUNCTUATION), 1u);
  EXPECT_EQ(m_engine.Param(TTS_PARAM_TEXTTYPE), 3u);
  EXPECT_TRUE(m_engine.Log().contains(QStringLiteral("TTSLoadUserLib A length=1")));

  // The same engine name at another address is another engine.
  Connect(kVoices, "10.0.0.9");
  m_engine.ClearLog();
  m_logic->LoadSettings(QStringLiteral("TTSSetting"));
  EXPECT_EQ(m_logic->Slider(kRate).value, 0);
  EXPECT_TRUE(SetCalls().isEmpty());
}

TEST_F(ControlPanelLogicTest, ALostEngineIsReconnectedAndReadAgain) {
  Connect(std::string(kVoices) + "param 6 40\n");
  EXPECT_FALSE(m_logic->CheckEngine());
  EXPECT_TRUE(m_engine.Log().filter(QStringLiteral("TTSUninitialize")).isEmpty());

  m_engine.Lose();
  // While busy the synthesis holds the instance: no check.
  m_logic->SetBusy(true);
  EXPECT_FALSE(m_logic->CheckEngine());
  m_logic->SetBusy(false);
  EXPECT_TRUE(m_logic->CheckEngine());
  EXPECT_EQ(m_engine.Log().filter(QStringLiteral("TTSUninitialize")).size(), 1);
  EXPECT_EQ(m_engine.Log().filter(QStringLiteral("TTSConnect")).size(), 1);
  EXPECT_TRUE(m_logic->IsPanelEnabled());
  EXPECT_TRUE(m_logic->Slider(kRate).enabled);
  EXPECT_EQ(m_logic->List(kVoiceLib).items.size(), 4);
  EXPECT_FALSE(m_logic->CheckEngine());
}

TEST_F(ControlPanelLogicTest, WithoutAnEngineThePanelIsDisabled) {
  CControlPanelLogic logic(TheAdapter());
  logic.LoadItems();
  logic.RefreshFromEngine();
  EXPECT_FALSE(logic.IsPanelEnabled());
  EXPECT_EQ(logic.List(kUserLib).items.size(), 1);
  EXPECT_EQ(logic.List(kBgSound).items[0].data, -1);
  // Nothing is stored without an engine.
  logic.SaveSettings(QStringLiteral("TTSSetting"));
  CRegKey key;
  EXPECT_NE(key.Open(CRegKey::Root(), QStringLiteral("TTSSetting")), 0u);
}

}  // namespace
