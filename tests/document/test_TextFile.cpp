#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "document/TextFile.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "sdk/ttsapi.h"
#include "tests/support/TestSupport.h"

namespace {

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(static_cast<char>(v));
  return b;
}

class TextFileTest : public ::testing::Test {
 protected:
  QString Write(const QByteArray& data) {
    const QString path = m_dir.filePath(QStringLiteral("t%1.txt").arg(m_count++));
    EXPECT_TRUE(WriteAll(path, data));
    return path;
  }
  QTemporaryDir m_dir;
  int m_count = 0;
};

struct DetectRow {
  const char* name;
  QByteArray head;
  bool ucs2;
};

TEST(TextFileDetect, SignatureDecidesUcs2ElseAnsi) {
  const DetectRow rows[] = {
      {"empty", QByteArray(), false},
      {"one byte FF", Bytes({0xFF}), false},
      {"FF FE", Bytes({0xFF, 0xFE}), true},
      {"FE FF", Bytes({0xFE, 0xFF}), true},
      {"FF FF", Bytes({0xFF, 0xFF}), false},
      {"UTF-8 signature", Bytes({0xEF, 0xBB, 0xBF}), false},
      {"plain text", QByteArray("ab"), false},
  };
  for (const DetectRow& row : rows)
    EXPECT_EQ(DetectTextCodePage(row.head), row.ucs2 ? 1200u : GetACP()) << row.name;
}

struct LoadRow {
  const char* name;
  QByteArray file;
  uint32_t codePage;  // 0 detects
  uint32_t expectedCodePage;
  QString expectedText;
};

TEST_F(TextFileTest, LoadsAsTheProgramReadsFiles) {
  const LoadRow rows[] = {
      // The signature is not part of the text.
      {"UCS-2 with signature", Bytes({0xFF, 0xFE, 'H', 0, 'i', 0, 0x2D, 0x4E}), 0, 1200,
       QStringLiteral("Hi\u4E2D")},
      // An odd last byte is dropped.
      {"UCS-2 of odd length", Bytes({0xFF, 0xFE, 'A', 0, 'B'}), 0, 1200, QStringLiteral("A")},
      // Pairs are never swapped: FE FF reads as the unit U+FFFE, which stays.
      {"FE FF read little-endian", Bytes({0xFE, 0xFF, 'A', 0}), 0, 1200,
       QString(QChar(0xFFFE)) + QStringLiteral("A")},
      // Explicit 1200 without a signature: every unit is text.
      {"explicit UCS-2 without signature", Bytes({'O', 0, 'K', 0}), 1200, 1200,
       QStringLiteral("OK")},
      // An explicit multibyte code page decodes the signature bytes as text.
      {"signature in 1252", Bytes({0xFF, 0xFE, 'A'}), 1252, 1252, QStringLiteral("\u00FF\u00FEA")},
      {"GBK", Bytes({0xD6, 0xD0, 0xCE, 0xC4, '\r', '\n'}), 936, 936,
       QStringLiteral("\u4E2D\u6587\r\n")},
      {"BIG5", Bytes({0xA4, 0xA4, 0xA4, 0xE5}), 950, 950, QStringLiteral("\u4E2D\u6587")},
      {"empty, explicit 936", QByteArray(), 936, 936, QString()},
      // Without a choice, bytes the UTF-8 system cannot read are read in the
      // code page they are written in, not as replacement characters.
      {"GBK detected",
       WideToMultiByte(936, QString::fromUtf8("我们今天一起去山上看大海，天气很好。")), 0, 936,
       QString::fromUtf8("我们今天一起去山上看大海，天气很好。")},
  };
  for (const LoadRow& row : rows) {
    QString text = QStringLiteral("unchanged");
    uint32_t cp = 0;
    ASSERT_EQ(LoadTextFile(Write(row.file), row.codePage, &text, &cp), 0u) << row.name;
    EXPECT_EQ(cp, row.expectedCodePage) << row.name;
    EXPECT_EQ(text, row.expectedText) << row.name;
  }
}

TEST_F(TextFileTest, ShortFilesDetectAnsi) {
  for (const QByteArray& file : {QByteArray(), QByteArray("x")}) {
    QString text = QStringLiteral("unchanged");
    uint32_t cp = 0;
    ASSERT_EQ(LoadTextFile(Write(file), 0, &text, &cp), 0u);
    EXPECT_EQ(cp, GetACP());
    EXPECT_EQ(text, QString::fromLatin1(file));
  }
}

TEST_F(TextFileTest, SizeLimitIsTwoMebibytes) {
  QByteArray below(kTextFileMaxBytes - 1, 'a');
  QString text;
  uint32_t cp = 0;
  ASSERT_EQ(LoadTextFile(Write(below), 1252, &text, &cp), 0u);
  EXPECT_EQ(text.size(), kTextFileMaxBytes - 1);

  QByteArray at(kTextFileMaxBytes, 'a');
  text = QStringLiteral("kept");
  cp = 7;
  EXPECT_EQ(LoadTextFile(Write(at), 1252, &text, &cp), kTextFileTooLarge);
  EXPECT_EQ(text, QStringLiteral("kept"));
  EXPECT_EQ(cp, 7u);
  // UCS-2 files count bytes too.
  QByteArray ucs2 = Bytes({0xFF, 0xFE}) + QByteArray(kTextFileMaxBytes, 0);
  EXPECT_EQ(LoadTextFile(Write(ucs2), 0, &text, &cp), kTextFileTooLarge);
  EXPECT_FALSE(TextFileTooLargeMessage().isEmpty());
}

TEST_F(TextFileTest, FailuresGiveSystemCodesAndLeaveTheTextAlone) {
  struct Row {
    const char* name;
    QString path;
    uint32_t codePage;
    uint32_t expected;
  } rows[] = {
      {"missing file", m_dir.filePath(QStringLiteral("none.txt")), 0, ERROR_FILE_NOT_FOUND},
      {"missing folder", m_dir.filePath(QStringLiteral("no/such.txt")), 0, ERROR_PATH_NOT_FOUND},
      {"a folder", m_dir.path(), 0, ERROR_ACCESS_DENIED},
      {"unknown code page", Write("abc"), 99999, ERROR_INVALID_PARAMETER},
  };
  for (const Row& row : rows) {
    QString text = QStringLiteral("kept");
    uint32_t cp = 5;
    EXPECT_EQ(LoadTextFile(row.path, row.codePage, &text, &cp), row.expected) << row.name;
    EXPECT_EQ(text, QStringLiteral("kept")) << row.name;
    EXPECT_EQ(cp, 5u) << row.name;
  }
}

TEST(SpeechTextBytes, ConvertsTheWholeText) {
  struct Row {
    const char* name;
    QString text;
    uint32_t cp;
    QByteArray expected;
  } rows[] = {
      {"UCS-2 copies units", QStringLiteral("A\u4E2D"), 1200, Bytes({'A', 0, 0x2D, 0x4E})},
      // A character outside the code page becomes one blank, even a pair.
      {"GBK blank for unmappable", QStringLiteral("a\U0001F600b\u4E2D"), 936,
       Bytes({'a', ' ', 'b', 0xD6, 0xD0})},
      // Three bytes per character: nothing is cut.
      {"UTF-8 longer than two bytes a character", QStringLiteral("\u4E2D\u6587"), 65001,
       Bytes({0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87})},
      {"empty", QString(), 936, QByteArray()},
  };
  for (const Row& row : rows)
    EXPECT_EQ(SpeechTextBytes(row.text, row.cp), row.expected) << row.name;
}

TEST(SpeechTextBytes, InputCodePageValues) {
  EXPECT_EQ(InputCodePageOf(936), TTS_CP_GBK);
  EXPECT_EQ(InputCodePageOf(950), TTS_CP_BIG5);
  EXPECT_EQ(InputCodePageOf(1200), TTS_CP_UTF16LE);
  for (uint32_t cp : {0u, 1201u, 54936u, 65001u, 1252u})
    EXPECT_EQ(InputCodePageOf(cp), TTS_CP_DEFAULT);
}

}  // namespace
