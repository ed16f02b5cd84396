// The engine's text side without the synthesiser: how the decoded text is cut
// into chunks and tokens, and how espeak-ng's word events become pieces.
// The engine library is a plug-in module, so its sources are compiled in here.
#include <gtest/gtest.h>

#include "plugins/varentts/InputText.cpp"
#include "plugins/varentts/Lexicon.cpp"
#include "plugins/varentts/PieceSplitter.cpp"
#include "plugins/varentts/TextChunker.cpp"
#include "plugins/varentts/Voices.cpp"

namespace varentts {
namespace {

constexpr uint32_t kEnglishUsFemale = 5;

std::vector<SpeechChunk> Chunks(const std::string& utf8, ReadingOptions options = {},
                                uint32_t voice = kEnglishUsFemale) {
  CInputText text;
  EXPECT_EQ(text.Decode(reinterpret_cast<const uint8_t*>(utf8.data()),
                        static_cast<uint32_t>(utf8.size()), "UTF-8"),
            0u);
  CTextChunker chunker;
  chunker.Start(&text, options, {}, *FindVoice(voice));
  std::vector<SpeechChunk> out;
  SpeechChunk c;
  while (chunker.Next(&c) && out.size() < 1000) out.push_back(c);
  return out;
}

std::vector<std::string> Texts(const std::vector<SpeechChunk>& chunks) {
  std::vector<std::string> out;
  for (const SpeechChunk& c : chunks) out.push_back(c.text);
  return out;
}

TEST(TextChunker, SentencesAreChunksButAbbreviationsAndNumbersAreNot) {
  EXPECT_EQ(Texts(Chunks("One is here. See e.g. this one. Pi is 3.14 today")),
            (std::vector<std::string>{"One is here.", "See e.g. this one.", "Pi is 3.14 today"}));
  EXPECT_EQ(Texts(Chunks("我们走。你好！", {}, 1)),
            (std::vector<std::string>{"我们走。", "你好！"}));
}

TEST(TextChunker, TextWithoutPunctuationIsStillCutIntoBoundedChunks) {
  std::string text;
  for (int i = 0; i < 500; ++i) text += "word ";
  std::vector<SpeechChunk> chunks = Chunks(text);
  ASSERT_GE(chunks.size(), 4u);
  size_t tokens = 0;
  for (const SpeechChunk& c : chunks) {
    EXPECT_LE(c.text.size(), 800u);  // 600 letters and their blanks
    tokens += c.tokens.size();
  }
  EXPECT_EQ(tokens, 500u);
  // One endless word becomes several tokens rather than one huge chunk.
  EXPECT_GE(Chunks(std::string(5000, 'x')).size(), 8u);
}

TEST(TextChunker, OpenMarkupIsClosedAndReopenedAcrossChunks) {
  ReadingOptions ssml;
  ssml.textType = 3;
  EXPECT_EQ(Texts(Chunks("<speak><prosody rate=\"slow\">One. Two.</prosody> Three.</speak>", ssml)),
            (std::vector<std::string>{"<speak><prosody rate=\"slow\">One.</prosody></speak>",
                                      "<speak><prosody rate=\"slow\">Two.</prosody></speak>",
                                      "<speak><prosody rate=\"slow\"></prosody> Three.</speak>"}));
}

TEST(TextChunker, EveryCodePointOfTheChunkNamesItsToken) {
  // Plain text is escaped for the markup-aware synthesiser; the entity's five
  // code points all belong to the "&" token.
  std::vector<SpeechChunk> chunks = Chunks("a & b");
  ASSERT_EQ(chunks.size(), 1u);
  EXPECT_EQ(chunks[0].text, "a &amp; b");
  EXPECT_EQ(chunks[0].cpToken, (std::vector<int32_t>{0, -1, 1, 1, 1, 1, 1, -1, 2}));
  // Spelled words: the markup around the letters belongs to no token.
  ReadingOptions letters;
  letters.english = 1;
  chunks = Chunks("ab", letters);
  ASSERT_EQ(chunks.size(), 1u);
  size_t owned = 0;
  for (int32_t t : chunks[0].cpToken) owned += t == 0;
  EXPECT_EQ(owned, 2u);
}

TEST(TextChunker, LineBreakOptionsAndEmailHeaders) {
  ReadingOptions o;
  o.lineBreak = 1;
  EXPECT_EQ(Chunks("one\ntwo").size(), 1u) << "system default: a single line break is a blank";
  EXPECT_EQ(Chunks("one\n\ntwo").size(), 2u) << "an empty line ends a sentence";
  EXPECT_EQ(Chunks("one\ntwo", o).size(), 2u);
  o.lineBreak = 2;
  std::vector<SpeechChunk> joined = Chunks("some\nthing", o);
  ASSERT_EQ(joined.size(), 1u);
  EXPECT_EQ(joined[0].text, "something");
  ASSERT_EQ(joined[0].tokens.size(), 1u);
  EXPECT_EQ(joined[0].tokens[0].cpEnd, 10u) << "the token still spans the line break";
  std::vector<SpeechChunk> mail =
      Chunks("From: a@b.c\nSubject: Lunch today\n\nHi Bob.\n> old text\nBye.\n-- \nSignature");
  EXPECT_EQ(Texts(mail), (std::vector<std::string>{"Lunch today", "Hi Bob.", "Bye."}));
}

TEST(TextChunker, CharactersOfOtherScriptsReachTheSynthesiserAsBlanks) {
  // Greek for an English voice, Hangul for a Mandarin one: blanks, with the
  // token record unchanged so offsets still name the input. The Mandarin
  // voice reads the Latin word with the English voice, and the Hangul
  // character joined to a Han one with the Han one.
  CInputText text;
  const std::string utf8 =
      "a\xCE\xB1"
      "b \xED\x95\x9C\xE4\xBD\xA0";  // "aαb 한你"
  ASSERT_EQ(text.Decode(reinterpret_cast<const uint8_t*>(utf8.data()),
                        static_cast<uint32_t>(utf8.size()), "UTF-8"),
            0u);
  CTextChunker chunker;
  SpeechChunk c;
  chunker.Start(&text, {}, {}, *FindVoice(5));
  ASSERT_TRUE(chunker.Next(&c));
  EXPECT_EQ(c.text, "a b   ");
  EXPECT_EQ(c.voice, "en-us+f2");
  chunker.Start(&text, {}, {}, *FindVoice(2));
  ASSERT_TRUE(chunker.Next(&c));
  EXPECT_EQ(c.text, "a b");
  EXPECT_EQ(c.voice, "en-us+m3");
  ASSERT_TRUE(chunker.Next(&c));
  EXPECT_EQ(c.text, " \xE4\xBD\xA0");
  EXPECT_EQ(c.voice, "cmn+m3");
  EXPECT_EQ(c.tokens.size(), 2u);
  chunker.Start(&text, {}, {}, *FindVoice(15));
  ASSERT_TRUE(chunker.Next(&c));
  EXPECT_EQ(c.text, "a b \xED\x95\x9C ");
}

// The chunks of a text for the default voice as "voice|text".
std::vector<std::string> VoiceChunks(const std::string& utf8) {
  std::vector<std::string> out;
  for (const SpeechChunk& c : Chunks(utf8, {}, 0)) out.push_back(c.voice + "|" + c.text);
  return out;
}

TEST(TextChunker, TheDefaultVoiceReadsEachScriptInItsLanguage) {
  // Numbers go with the text they are joined to, else with the text before
  // them; at the start with the text that follows.
  EXPECT_EQ(VoiceChunks("2024年我买了3个iPhone 15, 花了100 dollars."),
            (std::vector<std::string>{"cmn+f2|2024年我买了3个", "en-us+f2|iPhone 15,",
                                      "cmn+f2|花了100", "en-us+f2|dollars."}));
  EXPECT_EQ(VoiceChunks("2 cats, 你好"),
            (std::vector<std::string>{"en-us+f2|2 cats,", "cmn+f2|你好"}));
  EXPECT_EQ(VoiceChunks("123"), (std::vector<std::string>{"cmn+f2|123"}));
  // A change of script inside a run of letters cuts the token there; kanji
  // are read in Mandarin, kana in Japanese.
  std::vector<SpeechChunk> chunks = Chunks("Hello안녕Привет 漢字ですね", {}, 0);
  std::vector<std::string> voices;
  std::vector<std::pair<uint32_t, uint32_t>> tokens;
  for (const SpeechChunk& c : chunks) {
    voices.push_back(c.voice);
    for (const TextToken& t : c.tokens) tokens.push_back({t.cpBegin, t.cpEnd});
  }
  EXPECT_EQ(voices, (std::vector<std::string>{"en-us+f2", "ko+f2", "ru+f2", "cmn+f2", "ja+f2"}));
  EXPECT_EQ(tokens, (std::vector<std::pair<uint32_t, uint32_t>>{
                        {0, 5}, {5, 7}, {7, 13}, {14, 15}, {15, 16}, {16, 19}}));
  // Voices of one language never switch.
  EXPECT_EQ(Chunks("Hello안녕 你好").size(), 1u);
}

// Audio of n samples, loud everywhere except the given quiet ranges.
std::vector<int16_t> Loud(size_t n, std::vector<std::pair<size_t, size_t>> quiet = {}) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i) s[i] = (i % 2) ? 8000 : -8000;
  for (const auto& [b, e] : quiet)
    for (size_t i = b; i < e; ++i) s[i] = 0;
  return s;
}

TEST(PieceSplitter, RepeatedAndBackwardEventsMergeIntoOnePiece) {
  // "Call 12345 now": espeak-ng reports the number as several words at the
  // same position, and a clause mark after it at an earlier one.
  std::vector<int32_t> cpToken = {0, 0, 0, 0, -1, 1, 1, 1, 1, 1, -1, 2, 2, 2};
  std::vector<WordEvent> events = {{1, 4, 0},    {6, 5, 1000}, {6, 5, 1500},
                                   {6, 5, 2000}, {5, 1, 2500}, {12, 3, 3000}};
  std::vector<int16_t> s = Loud(4000);
  std::vector<AudioSegment> seg = SplitChunkAudio(cpToken, 3, events, s.data(), s.size());
  ASSERT_EQ(seg.size(), 3u);
  EXPECT_EQ(seg[0].begin, 0u);
  EXPECT_EQ(seg[1].token, 1);
  EXPECT_EQ(seg[1].begin, 1000u);
  EXPECT_EQ(seg[1].end, 3000u);
  EXPECT_EQ(seg[2].end, 4000u);
}

TEST(PieceSplitter, EventsInsideMarkupFindTheirWord) {
  // An event pointing at a tag maps to the word right after it.
  std::vector<int32_t> cpToken = {-1, -1, -1, 0, 0, -1, -1, 1};
  std::vector<WordEvent> events = {{2, 1, 0}, {7, 1, 500}};
  std::vector<int16_t> s = Loud(1000);
  std::vector<AudioSegment> seg = SplitChunkAudio(cpToken, 2, events, s.data(), s.size());
  ASSERT_EQ(seg.size(), 2u);
  EXPECT_EQ(seg[0].token, 0);
  EXPECT_EQ(seg[1].token, 1);
  EXPECT_EQ(seg[1].begin, 500u);
}

TEST(PieceSplitter, OneWordOverSeveralCharactersIsCutAtTheQuietPoint) {
  // Two Han characters read as one word; the pause between the syllables
  // lies at 45% of the word, so the cut lands there rather than at 50%.
  std::vector<int32_t> cpToken = {0, 1};
  std::vector<WordEvent> events = {{1, 2, 0}};
  std::vector<int16_t> s = Loud(10000, {{4400, 4600}});
  std::vector<AudioSegment> seg = SplitChunkAudio(cpToken, 2, events, s.data(), s.size());
  ASSERT_EQ(seg.size(), 2u);
  EXPECT_EQ(seg[0].token, 0);
  EXPECT_EQ(seg[1].token, 1);
  EXPECT_GE(seg[0].end, 4400u);
  EXPECT_LE(seg[0].end, 4600u);
  EXPECT_EQ(seg[1].begin, seg[0].end);
  EXPECT_EQ(seg[1].end, 10000u);
}

// A text's first words are given from the start of their chunk's audio,
// before the rest is made: whatever start it is, the segments it calls
// settled are exactly those the whole chunk gets.
TEST(PieceSplitter, SettledSegmentsOfTheStartAreThoseOfTheWhole) {
  // "Call 12345 now 北京 ok": a number read as repeated words with a clause
  // mark stepping back, then two Han characters read as one word.
  std::vector<int32_t> cpToken = {0, 0, 0, 0, -1, 1, 1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 4, -1, 5, 5};
  std::vector<WordEvent> events = {{1, 4, 0},    {6, 5, 1000},  {6, 5, 1500},  {6, 5, 2000},
                                   {5, 1, 2500}, {12, 3, 3000}, {16, 2, 4000}, {19, 2, 9000}};
  std::vector<int16_t> s = Loud(10000, {{6400, 6600}});
  const std::vector<AudioSegment> whole = SplitChunkAudio(cpToken, 6, events, s.data(), s.size());
  ASSERT_EQ(whole.size(), 6u);
  for (size_t e = 0; e <= events.size(); ++e) {
    for (size_t n : {0, 999, 1000, 2999, 3000, 3500, 4000, 8999, 9000, 9999}) {
      const std::vector<WordEvent> some(events.begin(), events.begin() + static_cast<long>(e));
      size_t settled = 99;
      std::vector<AudioSegment> start = SplitChunkAudio(cpToken, 6, some, s.data(), n, &settled);
      ASSERT_LE(settled, start.size()) << e << " events, " << n << " samples";
      ASSERT_LT(settled, whole.size()) << "the last word is never settled";
      for (size_t k = 0; k < settled; ++k) {
        EXPECT_EQ(start[k].begin, whole[k].begin) << e << " events, " << n << " samples, " << k;
        EXPECT_EQ(start[k].end, whole[k].end) << e << " events, " << n << " samples, " << k;
        EXPECT_EQ(start[k].token, whole[k].token) << e << " events, " << n << " samples, " << k;
      }
    }
  }
  // Settled as soon as the next word has begun within the audio; a next
  // word whose start lies beyond it settles nothing.
  size_t settled = 0;
  SplitChunkAudio(cpToken, 6, {events.begin(), events.begin() + 2}, s.data(), 1000, &settled);
  EXPECT_EQ(settled, 1u);
  SplitChunkAudio(cpToken, 6, {events.begin(), events.begin() + 2}, s.data(), 999, &settled);
  EXPECT_EQ(settled, 0u);
  SplitChunkAudio(cpToken, 6, {events.begin(), events.begin() + 7}, s.data(), 9999, &settled);
  EXPECT_EQ(settled, 3u);
  SplitChunkAudio(cpToken, 6, events, s.data(), 9999, &settled);
  EXPECT_EQ(settled, 5u) << "both characters of the one word";
}

TEST(PieceSplitter, WithoutEventsTheTokensShareTheAudio) {
  std::vector<int16_t> s = Loud(3000);
  std::vector<AudioSegment> seg = SplitChunkAudio({0, 1, 2}, 3, {}, s.data(), s.size());
  ASSERT_EQ(seg.size(), 3u);
  EXPECT_EQ(seg.front().begin, 0u);
  EXPECT_EQ(seg.back().end, 3000u);
  // A chunk of markup only (a pause) is audio of no token.
  seg = SplitChunkAudio({-1, -1}, 0, {}, s.data(), s.size());
  ASSERT_EQ(seg.size(), 1u);
  EXPECT_EQ(seg[0].token, -1);
}

}  // namespace
}  // namespace varentts
