// The spoken stretch, its bytes in the text's code page, and the way back
// from the engine's byte offsets to the view's characters.
#include <gtest/gtest.h>

#include "document/SpeechText.h"
#include "tests/support/TestSupport.h"

namespace {

struct Chars {
  int first, last;
  bool operator==(const Chars& o) const { return first == o.first && last == o.last; }
};
void PrintTo(const Chars& c, std::ostream* os) {
  *os << "[" << c.first << ", " << c.last << ")";
}

Chars Map(const CSpeechText& s, uint32_t begin, uint32_t end) {
  Chars c{};
  s.BytesToChars(begin, end, &c.first, &c.last);
  return c;
}

TEST(SpeechText, TheStretchIsTheSelectionElseFromTheCaretElseAll) {
  int start = -1, end = -1;
  SpeechStretch(10, 7, 3, 7, &start, &end);  // a selection made backwards
  EXPECT_EQ(start, 3);
  EXPECT_EQ(end, 7);
  SpeechStretch(10, 4, 4, 4, &start, &end);
  EXPECT_EQ(start, 4);
  EXPECT_EQ(end, 10);
  SpeechStretch(10, 10, 10, 10, &start, &end);  // caret at the end: everything
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 10);
}

// Each word or Han character's bytes map back to exactly that word or
// character, in every code page, blanks between the words included.
TEST(SpeechText, BytesMapBackToExactlyTheirCharacters) {
  const QString text = QString::fromUtf8("Hi 中文 ok 语音");
  // The characters of "中", "文", "ok", "语", "音" as [first, last).
  const std::vector<Chars> words = {{0, 2}, {3, 4}, {4, 5}, {6, 8}, {9, 10}, {10, 11}};
  for (uint32_t cp : {936u, 950u, 1200u, 65001u, 54936u}) {
    CSpeechText s;
    s.Build(text, cp);
    // The byte range of each character range, found by converting the text
    // before it and the range itself.
    for (const Chars& w : words) {
      CSpeechText before, part;
      before.Build(QStringView(text).left(w.first), cp);
      part.Build(QStringView(text).mid(w.first, w.last - w.first), cp);
      const uint32_t b = static_cast<uint32_t>(before.Bytes().size());
      const uint32_t e = b + static_cast<uint32_t>(part.Bytes().size());
      EXPECT_EQ(Map(s, b, e), w) << "code page " << cp;
    }
    // A piece that speaks no text: the end of the stretch.
    const uint32_t size = static_cast<uint32_t>(s.Bytes().size());
    EXPECT_EQ(Map(s, size, size), (Chars{11, 11})) << cp;
    EXPECT_EQ(Map(s, size + 10, size + 20), (Chars{11, 11})) << cp;
  }
}

// Where two bytes stand for each character (UCS-2, and Chinese characters in
// 936 or 950) this is the old arithmetic: offsets halved.
TEST(SpeechText, TwoBytesPerCharacterGiveHalvedOffsets) {
  const QString text = QString::fromUtf8("我一天中文大人");  // in GBK and Big5 alike
  for (uint32_t cp : {936u, 950u, 1200u}) {
    CSpeechText s;
    s.Build(text, cp);
    ASSERT_EQ(s.Bytes().size(), 2 * text.size()) << cp;
    for (uint32_t b = 0; b + 2 <= s.Bytes().size(); b += 2)
      EXPECT_EQ(Map(s, b, b + 2), (Chars{int(b / 2), int(b / 2) + 1})) << cp;
  }
}

// Nothing is cut, however many bytes a character takes: in UTF-8 a Chinese
// character takes three, more than room for two bytes per character holds.
TEST(SpeechText, TheWholeTextIsConvertedInEveryCodePage) {
  const QString text = QString(1000, QChar(0x4E2D)) + QString::fromUtf8("😀");
  CSpeechText s;
  s.Build(text, 65001);
  EXPECT_EQ(s.Bytes().size(), 3000 + 4);
  // The emoji is two UTF-16 units and one character: it maps as a whole.
  EXPECT_EQ(Map(s, 3000, 3004), (Chars{1000, 1002}));
  EXPECT_EQ(Map(s, 3001, 3002), (Chars{1000, 1002}));
  s.Build(text, 1200);
  EXPECT_EQ(s.Bytes().size(), 2 * text.size());
  EXPECT_EQ(Map(s, 2000, 2004), (Chars{1000, 1002}));
  // A character the code page lacks becomes one blank and maps to itself.
  s.Build(QString::fromUtf8("a中b"), 1252);
  EXPECT_EQ(s.Bytes(), QByteArray("a b"));
  EXPECT_EQ(Map(s, 1, 2), (Chars{1, 2}));
}

}  // namespace
