// Where a search lands: direction, case, whole words (also beside CJK text
// and characters outside the BMP), and the matches a replace-all takes.
#include <gtest/gtest.h>

#include "document/TextSearch.h"

namespace {

CFindOptions Options(const char* find, bool matchCase, bool wholeWord, bool down = true) {
  CFindOptions o;
  o.m_strFind = QString::fromUtf8(find);
  o.m_bMatchCase = matchCase;
  o.m_bWholeWord = wholeWord;
  o.m_bSearchDown = down;
  return o;
}

TEST(TextSearch, FindNextFromTheSelection) {
  const struct {
    const char* text;
    int selStart, selEnd;
    const char* find;
    bool matchCase, wholeWord, down;
    qsizetype expected;
  } cases[] = {
      // Down starts at the selection's end, so a found match is not found again.
      {"cat Cat cat", 0, 0, "cat", false, false, true, 0},
      {"cat Cat cat", 0, 3, "cat", false, false, true, 4},
      {"cat Cat cat", 0, 3, "cat", true, false, true, 8},
      {"cat Cat cat", 8, 11, "cat", false, false, false, 4},
      {"cat Cat cat", 8, 11, "cat", true, false, false, 0},
      // Up: the match must end before the selection's start; no wrapping.
      {"cat Cat cat", 2, 2, "cat", false, false, false, -1},
      {"cat Cat cat", 8, 11, "CAT", true, false, true, -1},
      {"abc", 0, 3, "abc", false, false, true, -1},
      {"abc", 0, 0, "", false, false, true, -1},
      // Whole words: letters, digits and "_" join words; punctuation does not.
      {"concat cat catalog", 0, 0, "cat", false, true, true, 7},
      {"concat cat catalog", 18, 18, "cat", false, true, false, 7},
      {"a_cat cat2 cat", 0, 0, "cat", false, true, true, 11},
      {"读文本，文本", 0, 0, "文本", false, true, true, 4},
      {"读文本，文本", 0, 0, "文本", false, false, true, 1},
      // A character outside the BMP is one character: a letter joins, an emoji does not.
      {"\xF0\x9D\x90\x80"
       "cat",
       0, 0, "cat", false, true, true, -1},
      {"\xF0\x9F\x98\x80"
       "cat",
       0, 0, "cat", false, true, true, 2},
      {"cat\xF0\x9D\x90\x80", 5, 5, "cat", false, true, false, -1},
  };
  for (const auto& c : cases) {
    const CTextSearch search(Options(c.find, c.matchCase, c.wholeWord, c.down));
    EXPECT_EQ(search.FindNext(QString::fromUtf8(c.text), c.selStart, c.selEnd), c.expected)
        << c.text << " / " << c.find << " from " << c.selStart << "-" << c.selEnd
        << (c.down ? " down" : " up");
  }
}

TEST(TextSearch, SelectionIsAMatchAndReplaceAllMatches) {
  const QString text = QStringLiteral("Cat cat concat CAT");
  EXPECT_TRUE(CTextSearch(Options("cat", false, false)).IsMatch(text, 0, 3));
  EXPECT_FALSE(CTextSearch(Options("cat", true, false)).IsMatch(text, 0, 3));
  EXPECT_FALSE(CTextSearch(Options("cat", false, false)).IsMatch(text, 0, 4));
  EXPECT_FALSE(CTextSearch(Options("cat", false, true)).IsMatch(text, 11, 14));

  using Starts = std::vector<qsizetype>;
  EXPECT_EQ(CTextSearch(Options("cat", false, false)).FindAll(text), (Starts{0, 4, 11, 15}));
  EXPECT_EQ(CTextSearch(Options("cat", true, false)).FindAll(text), (Starts{4, 11}));
  EXPECT_EQ(CTextSearch(Options("cat", false, true)).FindAll(text), (Starts{0, 4, 15}));
  EXPECT_EQ(CTextSearch(Options("cat", true, true)).FindAll(text), (Starts{4}));
  // Matches follow each other and never overlap.
  EXPECT_EQ(CTextSearch(Options("aa", false, false)).FindAll(u"aaaaa"), (Starts{0, 2}));
  EXPECT_TRUE(CTextSearch(Options("", false, false)).FindAll(text).empty());
}

}  // namespace
