// Word pieces: the text offsets that highlighting follows, in every input
// code page; leading and trailing silence; the status bit; TTSClean.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>

#include "tests/varentts/VarenttsHarness.h"
#include "tests/varentts/VarenttsText.h"

namespace {

constexpr int32_t kEnglishUsFemale = 5;
constexpr int32_t kMandarinFemale = 1;
constexpr int32_t kMandarinMale = 2;
constexpr int32_t kCantoneseMale = 4;

class VarenTtsPieces : public VarenTtsSuite {
 protected:
  void SetUp() override {
    VarenTtsSuite::SetUp();
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_AUDIODATAFMT, 4), 0u);
  }
};

struct OffsetCase {
  const char* name;
  int32_t voice;
  uint32_t codePage;
  const char* iconvName;
  bool han;  // expect one piece per Han character, else per blank-separated word
  const char* text;
};

const char kEnglish[] = "The quick brown fox jumps over the lazy dog.";
const char kMandarin[] = "我今天去北京看朋友。";

class PieceOffsets : public VarenTtsPieces, public ::testing::WithParamInterface<OffsetCase> {};

// The distinct text ranges of the pieces, in order, leaving out pieces that
// speak no text of their own (offsets at or past the text size).
std::vector<std::pair<uint32_t, uint32_t>> SpokenRanges(const std::vector<VtPiece>& pieces,
                                                        size_t size) {
  std::vector<std::pair<uint32_t, uint32_t>> out;
  for (const VtPiece& p : pieces) {
    if (p.end >= size) continue;
    std::pair<uint32_t, uint32_t> r{p.start, p.end};
    if (out.empty() || out.back() != r) out.push_back(r);
  }
  return out;
}

TEST_P(PieceOffsets, EveryWordHasAPieceCoveringExactlyItsBytes) {
  const OffsetCase& c = GetParam();
  std::string utf8 = c.text;
  std::string input = Encode(utf8, c.iconvName);
  ASSERT_FALSE(input.empty());
  auto expected =
      EncodedRanges(utf8, c.han ? HanRanges(utf8, "。") : WordRanges(utf8), c.iconvName);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE, c.voice), 0u);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, static_cast<int32_t>(c.codePage)),
            0u);
  std::vector<VtPiece> pieces;
  ASSERT_EQ(s_engine->Speak(s_instance, input, &pieces), 0u);
  EXPECT_EQ(SpokenRanges(pieces, input.size()), expected);
  for (const VtPiece& p : pieces) {
    EXPECT_LE(p.start, p.end);
    if (p.end < input.size()) EXPECT_GT(p.audio.size(), 0u) << "a word without audio";
  }
  // Status bit 0 is set on every piece but the last, which is trailing
  // silence: no text of its own.
  ASSERT_GE(pieces.size(), 2u);
  for (size_t i = 0; i + 1 < pieces.size(); ++i) EXPECT_EQ(pieces[i].status & 1u, 1u) << i;
  EXPECT_EQ(pieces.back().status & 1u, 0u);
  EXPECT_GE(pieces.back().start, input.size());
  EXPECT_GE(pieces.back().end, input.size());
  s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, TTS_CP_DEFAULT);
}

INSTANTIATE_TEST_SUITE_P(
    CodePages, PieceOffsets,
    ::testing::Values(
        OffsetCase{"EnglishUtf8", kEnglishUsFemale, TTS_CP_DEFAULT, "UTF-8", false, kEnglish},
        OffsetCase{"EnglishGbk", kEnglishUsFemale, TTS_CP_GBK, "GBK", false, kEnglish},
        OffsetCase{"EnglishBig5", kEnglishUsFemale, TTS_CP_BIG5, "BIG5", false, kEnglish},
        OffsetCase{"EnglishUtf16", kEnglishUsFemale, TTS_CP_UTF16LE, "UTF-16LE", false, kEnglish},
        OffsetCase{"MandarinUtf8", kMandarinFemale, TTS_CP_DEFAULT, "UTF-8", true, kMandarin},
        OffsetCase{"MandarinGbk", kMandarinFemale, TTS_CP_GBK, "GBK", true, kMandarin},
        OffsetCase{"MandarinBig5", kMandarinMale, TTS_CP_BIG5, "BIG5", true, kMandarin},
        OffsetCase{"MandarinUtf16", kMandarinMale, TTS_CP_UTF16LE, "UTF-16LE", true, kMandarin},
        OffsetCase{"CantoneseBig5", kCantoneseMale, TTS_CP_BIG5, "BIG5", true, kMandarin},
        // Mixed scripts, a number espeak-ng reads as several words, and a
        // line break: one piece per token all the same.
        OffsetCase{"MixedUtf16", kMandarinFemale, TTS_CP_UTF16LE, "UTF-16LE", false,
                   "Call 12345 now.\nThe end"}),
    [](const ::testing::TestParamInfo<OffsetCase>& info) { return info.param.name; });

TEST_F(VarenTtsPieces, MarkupAndEntitiesMapToTheWordsNotTheTags) {
  // espeak-ng counts markup in its positions and reports entities at odd
  // places; the pieces still name the words as they stand in the input.
  const std::string text =
      "<speak>Hi <emphasis>there</emphasis> &amp; you. Good <break time=\"300ms\"/> bye.</speak>";
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE, kEnglishUsFemale), 0u);
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, 3), 0u);
  std::vector<VtPiece> pieces;
  ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
  std::vector<std::string> words;
  for (const auto& [b, e] : SpokenRanges(pieces, text.size()))
    words.push_back(text.substr(b, e - b + 1));
  EXPECT_EQ(words, (std::vector<std::string>{"Hi", "there", "&amp;", "you.", "Good", "bye."}));
  s_engine->Set(s_instance, TTS_PARAM_TEXTTYPE, 0);
}

TEST_F(VarenTtsPieces, LongTextComesInManyPiecesWithOffsetsInOrder) {
  // Many sentences: synthesis goes chunk by chunk, offsets only move forward
  // and the last word of the text is reached.
  std::string text;
  for (int i = 0; i < 40; ++i) text += "Sentence number " + std::to_string(i) + " is here. ";
  text += "Finally";
  ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE, kEnglishUsFemale), 0u);
  std::vector<VtPiece> pieces;
  ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
  auto ranges = SpokenRanges(pieces, text.size());
  ASSERT_EQ(ranges.size(), 40u * 5 + 1);
  for (size_t i = 1; i < ranges.size(); ++i) EXPECT_GT(ranges[i].first, ranges[i - 1].second);
  EXPECT_EQ(text.substr(ranges.back().first), "Finally");
}

TEST_F(VarenTtsPieces, EmptyAndBlankTextsEndAtOnceWithoutError) {
  for (const std::string text : {std::string(), std::string("   \n\t  ")}) {
    std::vector<VtPiece> pieces;
    ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].status & 1u, 0u);
    EXPECT_GE(pieces[0].start, text.size());
  }
}

TEST_F(VarenTtsPieces, CleanDiscardsPendingSynthesis) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "This text is long enough to need several chunks. ";
  TTSSynthDesc desc{};
  desc.textSize = static_cast<uint32_t>(text.size());
  desc.textAddress = reinterpret_cast<uintptr_t>(text.data());
  ASSERT_EQ(s_engine->TTSSynthText(s_instance, &desc), 0u);
  EXPECT_EQ(desc.status & 1u, 1u) << "audio follows the text's hand-over";
  ASSERT_EQ(s_engine->TTSFetchNext(s_instance, &desc), 0u);
  EXPECT_EQ(desc.status & 1u, 1u);
  EXPECT_LT(+desc.textStart, 10u);
  ASSERT_EQ(s_engine->TTSClean(s_instance), 0u);
  // Nothing is left to fetch after Clean.
  EXPECT_EQ(s_engine->TTSFetchNext(s_instance, &desc), TTSERR_NOTREADY);
  // A new text starts from its own beginning, not where the old one stopped.
  const std::string next = "Fresh start.";
  std::vector<VtPiece> pieces;
  ASSERT_EQ(s_engine->Speak(s_instance, next, &pieces), 0u);
  auto ranges = SpokenRanges(pieces, next.size());
  ASSERT_EQ(ranges.size(), 2u);
  EXPECT_EQ(ranges[0].first, 0u);
}

TEST_F(VarenTtsPieces, InstancesSynthesiseOnSeveralThreadsAtOnce) {
  // espeak-ng is one synthesiser per process; two instances on two threads
  // take turns chunk by chunk and each still gets exactly its own words,
  // while a third thread changes parameters as the user interface would.
  CVarenTts& e = *s_engine;
  void* english = e.Connect();
  void* mandarin = e.Connect();
  ASSERT_NE(english, nullptr);
  ASSERT_NE(mandarin, nullptr);
  ASSERT_EQ(e.Set(english, TTS_PARAM_VOICE, kEnglishUsFemale), 0u);
  ASSERT_EQ(e.Set(mandarin, TTS_PARAM_VOICE, kMandarinMale), 0u);
  const std::string en = "Several short words are spoken here. And a second sentence follows.";
  const std::string zh = kMandarin;
  auto expectEn = EncodedRanges(en, WordRanges(en), "UTF-8");
  auto expectZh = EncodedRanges(zh, HanRanges(zh, "。"), "UTF-8");
  std::atomic<bool> done{false};
  std::vector<std::vector<std::pair<uint32_t, uint32_t>>> gotEn, gotZh;
  std::vector<uint32_t> codes;
  std::mutex codesLock;
  auto speaker = [&](void* instance, const std::string& text, auto* got) {
    for (int round = 0; round < 3; ++round) {
      std::vector<VtPiece> pieces;
      uint32_t rc = e.Speak(instance, text, &pieces);
      std::lock_guard<std::mutex> lock(codesLock);
      codes.push_back(rc);
      got->push_back(SpokenRanges(pieces, text.size()));
    }
  };
  std::thread a(speaker, english, en, &gotEn);
  std::thread b(speaker, mandarin, zh, &gotZh);
  std::thread ui([&] {
    for (int32_t v = 0; !done; v = (v + 37) % 400) {
      e.Set(english, TTS_PARAM_RATE, v);
      int32_t back = 0;
      e.Get(mandarin, TTS_PARAM_PITCH, &back);
    }
  });
  a.join();
  b.join();
  done = true;
  ui.join();
  for (uint32_t rc : codes) EXPECT_EQ(rc, 0u);
  ASSERT_EQ(gotEn.size(), 3u);
  ASSERT_EQ(gotZh.size(), 3u);
  for (const auto& r : gotEn) EXPECT_EQ(r, expectEn);
  for (const auto& r : gotZh) EXPECT_EQ(r, expectZh);
  EXPECT_EQ(e.TTSDisconnect(english), 0u);
  EXPECT_EQ(e.TTSDisconnect(mandarin), 0u);
}

TEST_F(VarenTtsPieces, EveryVoiceSpeaksItsLanguage) {
  // One sample per language of the voice table, female and male voice each:
  // a voice espeak-ng cannot load, or a script filtered away, gives no words.
  const std::pair<int32_t, const char*> samples[] = {
      {1, "你好朋友"},          {3, "你好朋友"},           {5, "Good morning"},
      {7, "Good morning"},      {9, "Bonjour mes amis"},   {11, "Guten Morgen"},
      {13, "こんにちは 世界"},  {15, "안녕하세요 친구"},   {17, "Привет друзья"},
      {19, "Buongiorno amici"}, {21, "Buenos días amigos"}};
  for (const auto& [female, text] : samples) {
    for (int32_t voice : {female, female + 1}) {
      ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE, voice), 0u);
      std::vector<VtPiece> pieces;
      ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u) << voice;
      EXPECT_GE(SpokenRanges(pieces, std::strlen(text)).size(), 2u) << "voice " << voice;
      EXPECT_GT(CVarenTts::AudioBytes(pieces), 16000u) << "voice " << voice;
    }
  }
}

}  // namespace
