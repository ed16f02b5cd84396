// The scriptable test engine itself: other tests build golden files on its
// pieces, offsets and results, so those must be exactly what its script says.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/TtsAdapter.h"
#include "platform/VersionInfo.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

struct Fetched {
  uint32_t length, start, end, status;
  std::vector<uint8_t> audio;
};

class TestEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_engine.IsValid());
    m_adapter = std::make_unique<CTtsAdapter>();
  }
  void Connect(const std::string& script) {
    ASSERT_EQ(m_engine.Configure(("engine E a\n" + script).c_str()), QString());
    const QString path = m_engine.Path(), a = "a", n = "E";
    ASSERT_EQ(m_adapter->LoadModule(&path), 0u);
    ASSERT_EQ(m_adapter->EnumEngines(nullptr, nullptr), 0u);
    ASSERT_EQ(m_adapter->SelectEngine(&a, &n), 0u);
  }
  // Synthesises text and fetches until the status bit clears (at most 100 pieces).
  std::vector<Fetched> Speak(const QByteArray& text) {
    std::vector<Fetched> pieces;
    TTSSynthDesc d{};
    d.textSize = static_cast<uint32_t>(text.size());
    d.textAddress = reinterpret_cast<uintptr_t>(text.constData());
    if (m_adapter->SynthText(&d) != 0) return pieces;
    do {
      if (m_adapter->FetchNext(&d) != 0) break;
      const uint8_t* audio = reinterpret_cast<const uint8_t*>(d.audioAddress);
      pieces.push_back({d.audioLength, d.textStart, d.textEnd, d.status,
                        std::vector<uint8_t>(audio, audio + d.audioLength)});
    } while ((d.status & TTS_STATUS_MORE) && pieces.size() < 100);
    return pieces;
  }
  ScriptedEngine m_engine;
  std::unique_ptr<CTtsAdapter> m_adapter;
};

TEST_F(TestEngineTest, ScriptedPiecesInOrderWithACounterAcrossThem) {
  Connect("piece 3 start=0 end=1\npiece 2 fill=0xAB\npiece 2 start=2 end=4\n");
  const auto p = Speak("Hi yo");
  ASSERT_EQ(p.size(), 3u);
  EXPECT_EQ(p[0].audio, (std::vector<uint8_t>{0, 1, 2}));
  EXPECT_EQ(p[0].status, TTS_STATUS_MORE);
  EXPECT_EQ(p[1].audio, (std::vector<uint8_t>{0xAB, 0xAB}));
  EXPECT_EQ(p[1].start, 5u) << "no offsets given: the piece speaks no text";
  EXPECT_EQ(p[1].end, 5u);
  EXPECT_EQ(p[2].audio, (std::vector<uint8_t>{3, 4})) << "the counter skips filled pieces";
  EXPECT_EQ(p[2].status, 0u) << "the last piece clears the status bit";

  TTSSynthDesc d{};
  EXPECT_EQ(m_adapter->FetchNext(&d), TTSERR_NOMORE);
  EXPECT_EQ(d.audioLength, 0u);
}

TEST_F(TestEngineTest, WordPiecesHaveExactByteOffsets) {
  struct Row {
    const char* name;
    uint32_t codepage;
    QByteArray text;
    std::vector<std::pair<uint32_t, uint32_t>> spans;
  } rows[] = {
      {"multibyte", TTS_CP_DEFAULT, QByteArray("  Hi,\tthere  you\n"), {{2, 4}, {6, 10}, {13, 15}}},
      {"utf-16",
       TTS_CP_UTF16LE,
       QByteArray(reinterpret_cast<const char*>(u"ab \u3000cd"), 12),  // ideographic space
       {{0, 3}, {8, 11}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Connect("words 2 lead=4 trail=1\n");
    ASSERT_EQ(m_adapter->SetEngineParam(TTS_PARAM_INPUTCODEPAGE, row.codepage), 0u);
    const auto p = Speak(row.text);
    ASSERT_EQ(p.size(), row.spans.size() + 2);
    const uint32_t size = static_cast<uint32_t>(row.text.size());
    EXPECT_EQ(p.front().length, 4u);
    EXPECT_EQ(p.front().start, size);
    for (size_t i = 0; i < row.spans.size(); ++i) {
      EXPECT_EQ(p[i + 1].start, row.spans[i].first);
      EXPECT_EQ(p[i + 1].end, row.spans[i].second);
      EXPECT_EQ(p[i + 1].length, 2 * (row.spans[i].second - row.spans[i].first + 1));
    }
    EXPECT_EQ(p.back().length, 1u);
    EXPECT_EQ(p.back().status, 0u);
    m_adapter->UnloadModule();
  }
}

TEST_F(TestEngineTest, TextWithoutWordsGivesOneEmptyLastPiece) {
  Connect("words 2\n");
  const auto p = Speak(" \t ");
  ASSERT_EQ(p.size(), 1u);
  EXPECT_EQ(p[0].length, 0u);
  EXPECT_EQ(p[0].status, 0u);
}

TEST_F(TestEngineTest, ResultsOnEveryOrTheNthCall) {
  Connect("result TTSSetParam 21 2\nresult TTSFetchNext 25\n");
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_RATE, 1), 0u);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_RATE, 2), 21u);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_RATE, 3), 0u);
  TTSSynthDesc d{};
  EXPECT_EQ(m_adapter->FetchNext(&d), 25u);
  EXPECT_EQ(m_adapter->FetchNext(&d), 25u);
  EXPECT_EQ(m_engine.Count("TTSFetchNext"), 2u);
}

TEST_F(TestEngineTest, FormatsAndInitialParameters) {
  Connect("formats 3,17\nparam 5 17\nvoice 2 A 1 1 - -\n");
  uint32_t v = 0;
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_AUDIODATAFMT, &v), 0u);
  EXPECT_EQ(v, 17u);
  EXPECT_EQ(m_adapter->GetEngineParam(TTS_PARAM_VOICE, &v), 0u);
  EXPECT_EQ(v, 2u) << "the first voice by default";
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_AUDIODATAFMT, 4), TTSERR_INVALIDVALUE);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_AUDIODATAFMT, 3), 0u);
  EXPECT_EQ(m_adapter->SetEngineParam(TTS_PARAM_VOICE, 9), TTSERR_INVALIDVALUE);
  EXPECT_EQ(m_adapter->SetEngineParam(999, 1), TTSERR_INVALIDPARAM);
}

TEST_F(TestEngineTest, ScriptErrorsNameTheLine) {
  EXPECT_EQ(m_engine.Configure("engine E a\npiece x\n"), "line 2: piece BYTES");
  EXPECT_EQ(m_engine.Configure("bogus\n"), "line 1: unknown directive bogus");
  EXPECT_EQ(m_engine.Configure("engine \"open\n"), "line 1: unterminated quote");
}

TEST(VersionNotes, EngineLibrariesAndTheFrontEndCarryTheirVersions) {
  struct Row {
    const char* file;
    const char* version;
    const char* product;
  } rows[] = {
      {"libtestengine.so", "1.0.0.1", "VUDEZE Test Engine"},
      {"libtestengine_object.so", "1.0.0.1", "VUDEZE Test Engine"},
      {"libthirdparty_engine.so", "2.3.0.7", "Third Party Speech"},
      {"vudeze-cli", "5.0.0.1", "VUDEZE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    EXPECT_EQ(GetFileVersionString(BinPath(row.file), "FileVersion"), row.version);
    EXPECT_EQ(GetFileVersionString(BinPath(row.file), "ProductName"), row.product);
  }
}

}  // namespace
