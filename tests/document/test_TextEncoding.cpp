// The document's encodings without widgets: automatic detection that keeps
// GBK and Big5 text on a UTF-8 system, the bytes a save writes, the encoding
// pane, the dialogs' encoding box and the Chinese character conversion.
#include <gtest/gtest.h>

#include "document/CodePageList.h"
#include "document/TextEncoding.h"
#include "platform/CodePage.h"

namespace {

const QString kSimplified = QString::fromUtf8(
    "语音合成系统演示程序可以朗读中文文本，并且支持多种编码。"
    "今天天气很好，我们一起去公园散步吧。这个文件是用来测试自动识别编码的。\r\n");
const QString kTraditional = QString::fromUtf8(
    "語音合成系統演示程式可以朗讀中文文本，並且支援多種編碼。"
    "今天天氣很好，我們一起去公園散步吧。這個檔案是用來測試自動識別編碼的。\r\n");

const QString kFrench = QString::fromUtf8(
    "Le synthétiseur lit le texte à voix haute. Où est la fenêtre où l'on choisit "
    "l'encodage du fichier ? Déjà la première étape était réussie, très bien.\n");

TEST(DecodeAutomatic, KeepsEveryFileItsText) {
  BuildCodePageList();
  const std::vector<uint32_t> listed = ListedCodePages();
  const struct Row {
    const char* name;
    QByteArray bytes;
    uint32_t codePage;
    QString text;
  } rows[] = {
      // What the system code page reads whole stays in it.
      {"empty", QByteArray(), 65001, QString()},
      {"one byte", QByteArray("x"), 65001, QStringLiteral("x")},
      {"UTF-8", kSimplified.toUtf8(), 65001, kSimplified},
      // The UTF-8 signature is no text.
      {"UTF-8 signature", "\xEF\xBB\xBF" + kSimplified.toUtf8(), 65001, kSimplified},
      // Invalid UTF-8: the detected code page that reads the file whole.
      {"GBK", WideToMultiByte(936, kSimplified), 936, kSimplified},
      {"Big5", WideToMultiByte(950, kTraditional), 950, kTraditional},
      {"Latin-1", kFrench.toLatin1(), 1252, kFrench},
  };
  for (const Row& row : rows) {
    QString text = QStringLiteral("?");
    EXPECT_EQ(DecodeAutomatic(row.bytes, 65001, listed, &text), row.codePage) << row.name;
    EXPECT_EQ(text, row.text) << row.name;
  }
  // Detection chooses only among the candidates; nothing fits: the system
  // code page as far as it reads.
  QString text;
  const QByteArray gbk = WideToMultiByte(936, kSimplified);
  EXPECT_EQ(DecodeAutomatic(gbk, 65001, {1200, 65001}, &text), 65001u);
  EXPECT_TRUE(text.contains(QChar(0xFFFD)));
}

TEST(EncodeDocumentText, WritesEveryCharacterOnce) {
  bool ok = false;
  EXPECT_EQ(EncodeDocumentText(QStringLiteral("A\u4E2D"), 1200, &ok), QByteArray("\xFF\xFE"
                                                                                 "A\0\x2D\x4E",
                                                                                 6));
  // Characters the code page lacks: one blank each.
  EXPECT_EQ(EncodeDocumentText(QString::fromUtf8("中€é한😀!"), 936, &ok),
            QByteArray("\xD6\xD0\x80\xA8\xA6  !"));
  EXPECT_TRUE(ok);
  // Four bytes for one character: nothing is cut.
  const QString wide = QString::fromUtf8("😀中😀");
  EXPECT_EQ(EncodeDocumentText(wide.repeated(1000), 65001, &ok), wide.repeated(1000).toUtf8());
  EncodeDocumentText(QStringLiteral("x"), 99999, &ok);
  EXPECT_FALSE(ok);
}

TEST(LineBreaks, CrLfOnlyWhenEveryBreakIsOne) {
  EXPECT_TRUE(HasCrLfLineBreaks("a\r\nb\r\n"));
  EXPECT_FALSE(HasCrLfLineBreaks("a\r\nb\n"));
  EXPECT_FALSE(HasCrLfLineBreaks("a\rb"));
  EXPECT_EQ(WithCrLfLineBreaks("a\nb\n"), "a\r\nb\r\n");
}

TEST(EncodingPaneText, NameWithoutNumberAndClosingParenthesis) {
  const QString unicode = QStringLiteral("Unicode");
  EXPECT_EQ(EncodingPaneText(936, unicode), " (ANSI/OEM - Simplified Chinese GBK");
  EXPECT_EQ(EncodingPaneText(65001, unicode), " (UTF-8");
  EXPECT_EQ(EncodingPaneText(1200, unicode), unicode);
  EXPECT_EQ(EncodingPaneText(99999, unicode), unicode);
}

TEST(EncodingBox, EntriesAndSelection) {
  const QStringList list = {"1200  (Unicode UCS-2)", "936  (ANSI/OEM - Simplified Chinese GBK)",
                            "950  (ANSI/OEM - Traditional Chinese Big5)"};
  const auto open = EncodingBoxEntries(true, "Auto", list);
  ASSERT_EQ(open.size(), 4u);
  EXPECT_EQ(open[0].text, "Auto");
  EXPECT_EQ(open[0].codePage, 0u);
  EXPECT_EQ(open[3].codePage, 950u);
  EXPECT_EQ(EncodingBoxEntries(false, "Auto", list).front().codePage, 1200u);
  // The open dialog always starts on the automatic entry; the save dialog
  // on the current code page, else on the first entry.
  EXPECT_EQ(EncodingBoxSelection(true, 950, list), 0);
  EXPECT_EQ(EncodingBoxSelection(false, 950, list), 2);
  EXPECT_EQ(EncodingBoxSelection(false, 1252, list), 0);

  bool explicitChoice = true;
  EXPECT_EQ(ChosenCodePage(0, 65001, &explicitChoice), 65001u);
  EXPECT_FALSE(explicitChoice);
  EXPECT_EQ(ChosenCodePage(950, 65001, &explicitChoice), 950u);
  EXPECT_TRUE(explicitChoice);
}

TEST(ChineseConversion, CharacterByCharacterBothWays) {
  EXPECT_TRUE(IsChineseSwitch(936, 950) && IsChineseSwitch(950, 936));
  EXPECT_FALSE(IsChineseSwitch(936, 65001) || IsChineseSwitch(950, 950));
  QString out;
  const QString simplified = QString::fromUtf8("简体中文\n语音合成") + QChar(0) + "x";
  ASSERT_TRUE(ConvertChineseCharacters(simplified, true, &out));
  EXPECT_EQ(out, QString::fromUtf8("簡體中文\n語音合成") + QChar(0) + "x");
  ASSERT_TRUE(ConvertChineseCharacters(out, false, &out));
  EXPECT_EQ(out, simplified);
}

}  // namespace
