// Voices that read several languages: the default voice follows the scripts
// of the text, Chinese voices read English words in English; the pieces still
// name exactly the characters and words they speak, in every code page.
#include <gtest/gtest.h>

#include "tests/varentts/VarenttsHarness.h"
#include "tests/varentts/VarenttsText.h"

namespace {

constexpr int32_t kDefaultVoice = 0;
constexpr int32_t kMandarinFemale = 1;
constexpr int32_t kCantoneseFemale = 3;
constexpr int32_t kEnglishUsFemale = 5;
constexpr size_t kBytesPerSecond = 32000;  // format 4: 16 kHz, 16 bits

class VarenTtsLanguages : public VarenTtsSuite {
 protected:
  void SetUp() override {
    VarenTtsSuite::SetUp();
    ASSERT_EQ(s_engine->Set(s_instance, TTS_PARAM_AUDIODATAFMT, 4), 0u);
  }
  void TearDown() override { s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, TTS_CP_DEFAULT); }

  // Speaks the UTF-8 text encoded for the code page with the voice.
  std::vector<VtPiece> Speak(int32_t voice, const std::string& utf8, uint32_t codePage,
                             const char* iconvName) {
    std::vector<VtPiece> pieces;
    std::string input = Encode(utf8, iconvName);
    EXPECT_FALSE(input.empty());
    EXPECT_EQ(s_engine->Set(s_instance, TTS_PARAM_VOICE, voice), 0u);
    EXPECT_EQ(s_engine->Set(s_instance, TTS_PARAM_INPUTCODEPAGE, static_cast<int32_t>(codePage)),
              0u);
    EXPECT_EQ(s_engine->Speak(s_instance, input, &pieces), 0u);
    m_size = input.size();
    return pieces;
  }

  // The distinct text ranges of the pieces that speak text, in order.
  std::vector<std::pair<uint32_t, uint32_t>> Spoken(const std::vector<VtPiece>& pieces) const {
    std::vector<std::pair<uint32_t, uint32_t>> out;
    for (const VtPiece& p : pieces) {
      if (p.end >= m_size) continue;
      EXPECT_GT(p.audio.size(), 0u) << "a word without audio at " << p.start;
      if (out.empty() || out.back() != std::pair{p.start, p.end}) out.push_back({p.start, p.end});
    }
    return out;
  }

  size_t SpeechBytes(const std::vector<VtPiece>& pieces) const {
    size_t n = 0;
    for (const VtPiece& p : pieces) n += p.end < m_size ? p.audio.size() : 0;
    return n;
  }

  size_t m_size = 0;
};

// The words of a UTF-8 text as byte ranges [b, e): every Han character on
// its own, other runs of characters between blanks whole; the characters in
// skip (punctuation that has no piece of its own) are left out.
std::vector<std::pair<size_t, size_t>> Words(const std::string& text, const std::string& skip) {
  std::vector<std::pair<size_t, size_t>> out;
  auto length = [&](size_t i) {
    auto b = static_cast<unsigned char>(text[i]);
    return b < 0x80 ? 1u : b < 0xE0 ? 2u : b < 0xF0 ? 3u : 4u;
  };
  auto han = [&](size_t i) {
    auto b = static_cast<unsigned char>(text[i]);
    return length(i) == 3 && b >= 0xE4 && b <= 0xE9;  // U+4E00..U+9FFF
  };
  size_t i = 0;
  while (i < text.size()) {
    size_t n = length(i);
    if (text[i] == ' ' || skip.find(text.substr(i, n)) != std::string::npos) {
      i += n;
    } else if (han(i)) {
      out.push_back({i, i + n});
      i += n;
    } else {
      size_t b = i;
      while (i < text.size() && text[i] != ' ' && !han(i) &&
             skip.find(text.substr(i, length(i))) == std::string::npos)
        i += length(i);
      out.push_back({b, i});
    }
  }
  return out;
}

TEST_F(VarenTtsLanguages, DefaultVoiceReadsAChineseSentenceInMandarin) {
  // 22 Han characters in GBK: every one spoken, and at Mandarin's pace.
  const std::string text = "我们明天早上一起去北京大学图书馆看书学习中文。";
  std::vector<VtPiece> pieces = Speak(kDefaultVoice, text, TTS_CP_GBK, "GBK");
  auto expected = EncodedRanges(text, HanRanges(text, "。"), "GBK");
  ASSERT_EQ(expected.size(), 22u);
  EXPECT_EQ(Spoken(pieces), expected);
  EXPECT_GE(SpeechBytes(pieces), 3 * kBytesPerSecond);
}

TEST_F(VarenTtsLanguages, MixedSentencesHaveAPiecePerCharacterAndWordInEveryCodePage) {
  const std::string mixed = "我们用Linux和Python写程序，then we test it。";
  for (auto [codePage, name] : {std::pair{TTS_CP_GBK, "GBK"}, std::pair{TTS_CP_UTF16LE, "UTF-16LE"},
                                std::pair{TTS_CP_DEFAULT, "UTF-8"}}) {
    std::vector<VtPiece> pieces = Speak(kDefaultVoice, mixed, codePage, name);
    EXPECT_EQ(Spoken(pieces), EncodedRanges(mixed, Words(mixed, "，。"), name)) << name;
  }
  // All five scripts the default voice reads, with digits between them.
  const std::string five = "こんにちは 안녕하세요 Привет 3 hello 你好 2024年";
  std::vector<VtPiece> pieces = Speak(kDefaultVoice, five, TTS_CP_DEFAULT, "UTF-8");
  EXPECT_EQ(Spoken(pieces), EncodedRanges(five, Words(five, ""), "UTF-8"));
  EXPECT_GE(SpeechBytes(pieces), 3 * kBytesPerSecond);
}

TEST_F(VarenTtsLanguages, ChineseVoicesReadEnglishWordsWithTheEnglishVoice) {
  // The word is read by espeak-ng's English voice with the Chinese voice's
  // variant, from the same initial state: its audio begins exactly as the
  // English voice's reading of the word alone.
  std::vector<VtPiece> english = Speak(kEnglishUsFemale, "Linux", TTS_CP_DEFAULT, "UTF-8");
  ASSERT_EQ(Spoken(english), (std::vector<std::pair<uint32_t, uint32_t>>{{0, 4}}));
  std::vector<uint8_t> word;
  for (const VtPiece& p : english)
    if (p.end < m_size) word = p.audio;
  ASSERT_GE(word.size(), kBytesPerSecond / 5);
  const std::string text = "Linux 很好用。";
  for (int32_t voice : {kMandarinFemale, kCantoneseFemale}) {
    std::vector<VtPiece> pieces = Speak(voice, text, TTS_CP_GBK, "GBK");
    auto expected = EncodedRanges(text, Words(text, "。"), "GBK");
    ASSERT_EQ(Spoken(pieces), expected) << voice;
    const VtPiece* first = nullptr;
    for (const VtPiece& p : pieces)
      if (first == nullptr && p.end < m_size) first = &p;
    ASSERT_GE(first->audio.size(), word.size() / 2) << voice;
    EXPECT_TRUE(std::equal(word.begin(), word.begin() + word.size() / 2, first->audio.begin()))
        << "voice " << voice << " reads the English word with another voice";
  }
}

}  // namespace
