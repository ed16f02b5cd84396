// Code-page conversion: round trips through the Windows code pages the
// program offers, one blank per unmappable character (also in the
// double-byte code pages), the locale table and the code-page names.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <set>
#include <thread>
#include <vector>

#include "platform/CodePage.h"

namespace {

struct RoundTrip {
  uint32_t cp;
  const char* hex;  // the text below encoded in cp
  const char16_t* text;
};

class CodePageRoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(CodePageRoundTrip, DecodesAndEncodesTheSameBytes) {
  const RoundTrip& row = GetParam();
  const QByteArray bytes = QByteArray::fromHex(row.hex);
  const QString text = QString::fromUtf16(row.text);
  bool ok = false;
  EXPECT_EQ(MultiByteToWide(row.cp, bytes, &ok), text);
  EXPECT_TRUE(ok);
  EXPECT_EQ(WideToMultiByte(row.cp, text, &ok).toHex(), QByteArray(row.hex));
  EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, CodePageRoundTrip,
    ::testing::Values(RoundTrip{936, "d6d0cec4", u"中文"},          // GBK
                      RoundTrip{950, "a4a4a4e5", u"中文"},          // Big5
                      RoundTrip{932, "93fa967b", u"日本"},          // Shift-JIS
                      RoundTrip{949, "c7d1b1b9", u"한국"},          // Unified Hangul
                      RoundTrip{1252, "80e9", u"€é"},               // 0x80 is the euro in 1252
                      RoundTrip{1251, "cff0e8e2e5f2", u"Привет"},   //
                      RoundTrip{65001, "e4b8ad41", u"中A"},         //
                      RoundTrip{1200, "2d4e4100", u"中A"},          // little-endian, no signature
                      RoundTrip{1201, "4e2d0041", u"中A"},          //
                      RoundTrip{20866, "f0d2c9d7c5d4", u"Привет"},  // KOI8-R
                      RoundTrip{28591, "e9ff", u"éÿ"},              //
                      RoundTrip{28605, "a4", u"€"},                 // ISO 8859-15
                      RoundTrip{54936, "8139ef30", u"\u3401"}       // GB18030 four-byte
                      ));

TEST(CodePage, StatefulCodePagesCloseTheirShiftState) {
  // ISO-2022-JP must end in ASCII; HZ must leave its GB mode.
  bool ok = false;
  const QByteArray jis = WideToMultiByte(50220, QString::fromUtf16(u"日本a"), &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(MultiByteToWide(50220, jis), QString::fromUtf16(u"日本a"));
  EXPECT_TRUE(jis.contains("\x1b$B"));
  EXPECT_TRUE(jis.endsWith("\x1b(Ba"));
  const QByteArray hz = WideToMultiByte(52936, QString::fromUtf16(u"中a"), &ok);
  ASSERT_TRUE(ok);
  EXPECT_EQ(hz, QByteArray("~{VP~}a"));
}

struct Unmappable {
  uint32_t cp;
  const char16_t* text;
  const char* expected;
};

class CodePageUnmappable : public ::testing::TestWithParam<Unmappable> {};

// Every character the code page lacks becomes exactly one blank, also in the
// double-byte code pages and for characters outside the 16-bit range.
TEST_P(CodePageUnmappable, BecomesOneBlankEach) {
  bool ok = false;
  EXPECT_EQ(WideToMultiByte(GetParam().cp, QString::fromUtf16(GetParam().text), &ok),
            QByteArray(GetParam().expected));
  EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(Blanks, CodePageUnmappable,
                         ::testing::Values(Unmappable{936, u"a\u0e01b", "a b"},  // Thai in GBK
                                           Unmappable{936, u"\U0001F600\u0e01",
                                                      "  "},  // emoji + Thai: two blanks
                                           Unmappable{950, u"a\u0e01b", "a b"},   // Thai in Big5
                                           Unmappable{950, u"\U0001F600", " "},   //
                                           Unmappable{932, u"\u0e01", " "},       //
                                           Unmappable{949, u"\u0e01", " "},       //
                                           Unmappable{1252, u"x\u4e2dy", "x y"},  //
                                           Unmappable{20127, u"\u00e9", " "},     // US-ASCII
                                           Unmappable{1251, u"\u00e9\u00e9", "  "}));

TEST(CodePage, UnknownCodePagesFail) {
  for (uint32_t cp : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
    EXPECT_FALSE(IsValidCodePage(cp)) << cp;
    bool ok = true;
    EXPECT_TRUE(MultiByteToWide(cp, QByteArray("abc"), &ok).isEmpty());
    EXPECT_FALSE(ok);
    ok = true;
    EXPECT_TRUE(WideToMultiByte(cp, "abc", &ok).isEmpty());
    EXPECT_FALSE(ok);
    EXPECT_TRUE(CodePageName(cp).isEmpty());
  }
}

TEST(CodePage, EmptyAndBrokenInput) {
  bool ok = false;
  EXPECT_TRUE(MultiByteToWide(936, QByteArray(), &ok).isEmpty());
  EXPECT_TRUE(ok);
  EXPECT_TRUE(WideToMultiByte(936, QString(), &ok).isEmpty());
  EXPECT_TRUE(ok);
  EXPECT_FALSE(MultiByteToWide(936, nullptr, 5, &ok).size());
  EXPECT_FALSE(ok);
  // A lead byte at the end, and invalid UTF-8: replaced, nothing lost before.
  const QString gbk = MultiByteToWide(936, QByteArray::fromHex("41d6"), &ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(gbk.startsWith('A'));
  EXPECT_EQ(gbk.size(), 2);
  const QString utf8 = MultiByteToWide(65001, QByteArray::fromHex("41ff42"), &ok);
  EXPECT_EQ(utf8, QString::fromUtf16(u"A\ufffdB"));
  // Unassigned bytes of a single-byte or double-byte table: U+FFFD, not a
  // control character.
  EXPECT_EQ(MultiByteToWide(932, QByteArray::fromHex("a041"), &ok), QString::fromUtf16(u"\ufffdA"));
  EXPECT_EQ(MultiByteToWide(936, QByteArray::fromHex("812041"), &ok),
            QString::fromUtf16(u"\ufffd A"));
  // An odd byte count in UTF-16: the whole characters survive.
  EXPECT_TRUE(MultiByteToWide(1200, QByteArray::fromHex("410042"), &ok).startsWith('A'));
}

TEST(CodePage, LongTextInEveryThread) {
  // Converters are per thread; results must not mix across threads.
  QString text;
  for (int i = 0; i < 5000; ++i) text += QString::fromUtf16(u"中文abc\u0e01");
  const QByteArray expected936 = WideToMultiByte(936, text);
  const QByteArray expected950 = WideToMultiByte(950, text);
  ASSERT_EQ(expected936.size(), 5000 * 8);
  std::vector<int> mismatches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 20; ++i) {
        const uint32_t cp = (t + i) % 2 ? 936 : 950;
        const QByteArray bytes = WideToMultiByte(cp, text);
        if (bytes != (cp == 936 ? expected936 : expected950)) ++mismatches[t];
        if (MultiByteToWide(cp, bytes).size() != text.size()) ++mismatches[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

TEST(CodePage, CharsetNames) {
  const struct {
    const char* charset;
    uint32_t cp;
  } rows[] = {{"UTF-8", 65001},
              {"utf8", 65001},
              {"ANSI_X3.4-1968", 65001},
              {"", 65001},
              {"GBK", 936},
              {"GB2312", 936},
              {"BIG5", 950},
              {"BIG5-HKSCS", 950},
              {"SJIS", 932},
              {"Shift_JIS", 932},
              {"EUC-KR", 949},
              {"CP1251", 1251},
              {"windows-1252", 1252},
              {"ISO-8859-1", 28591},
              {"ISO-8859-15", 28605},
              {"KOI8-R", 20866},
              {"GB18030", 54936},
              {"CP1259", 65001},
              {"ISO-8859-13", 28603},
              {"ISO-8859-16", 65001},
              {"ISO-8859-10", 65001}};
  for (const auto& row : rows) EXPECT_EQ(CodePageFromCharset(row.charset), row.cp) << row.charset;
  EXPECT_EQ(CodePageFromCharset(nullptr), 65001u);
}

TEST(CodePage, SystemCodePagesAreConvertible) {
  EXPECT_TRUE(IsValidCodePage(GetACP()));
  EXPECT_TRUE(IsValidCodePage(GetOEMCP()));
  EXPECT_EQ(GetACP(), GetACP());
}

TEST(CodePage, LocaleTable) {
  const auto& locales = InstalledLocales();
  ASSERT_GE(locales.size(), 30u);
  std::set<uint32_t> seen;
  auto find = [&](uint32_t lcid) -> const LocaleCodePages* {
    for (const auto& l : locales)
      if (l.lcid == lcid) return &l;
    return nullptr;
  };
  for (const auto& l : locales) {
    EXPECT_TRUE(seen.insert(l.lcid).second) << std::hex << l.lcid;
    // Only code pages that convert, each with a name.
    for (uint32_t cp : {l.oemCodePage, l.ansiCodePage}) {
      if (!cp) continue;
      EXPECT_TRUE(IsValidCodePage(cp)) << cp;
      EXPECT_FALSE(CodePageName(cp).isEmpty()) << cp;
    }
  }
  const struct {
    uint32_t lcid, oem, ansi;
  } rows[] = {{0x0804, 936, 936},
              {0x0404, 950, 950},
              {0x0409, 437, 1252},
              {0x0411, 932, 932},
              {0x0419, 866, 1251}};
  for (const auto& row : rows) {
    const LocaleCodePages* l = find(row.lcid);
    ASSERT_NE(l, nullptr) << std::hex << row.lcid;
    EXPECT_EQ(l->oemCodePage, row.oem);
    EXPECT_EQ(l->ansiCodePage, row.ansi);
  }
}

TEST(CodePage, NamesAndTheirEncodingPaneForm) {
  EXPECT_EQ(CodePageName(936), "936  (ANSI/OEM - Simplified Chinese GBK)");
  EXPECT_EQ(CodePageName(1200), "1200  (Unicode UCS-2)");
  // Every name: the number, two blanks, a description in parentheses; the
  // leading digits give the number back.
  const QRegularExpression form(QStringLiteral("^(\\d+)  \\([^()]+\\)$"));
  for (uint32_t cp : {437u, 932u, 949u, 950u, 1252u, 20127u, 28591u, 50220u, 54936u, 65001u}) {
    const QString name = CodePageName(cp);
    const auto match = form.match(name);
    ASSERT_TRUE(match.hasMatch()) << name.toStdString();
    EXPECT_EQ(match.captured(1).toUInt(), cp);
  }
}

}  // namespace
