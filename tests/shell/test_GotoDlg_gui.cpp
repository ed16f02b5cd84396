// The go-to-line dialog: which texts its OK accepts (without a window), and
// in the window that a refused number keeps the dialog open on the field.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "framework/MessageBox.h"
#include "resources/ResourceIds.h"
#include "shell/GotoDlg.h"

namespace {

TEST(GotoDlg, LineNumbersAndRefusals) {
  const struct {
    const char* text;
    uint32_t refusal;
    uint32_t line;
  } cases[] = {
      {"1", 0, 1},
      {" 42 ", 0, 42},
      {"007", 0, 7},
      {"99999999", 0, 99999999},
      {"", AFX_IDP_PARSE_UINT, 0},
      {"  ", AFX_IDP_PARSE_UINT, 0},
      {"abc", AFX_IDP_PARSE_UINT, 0},
      {"-1", AFX_IDP_PARSE_UINT, 0},
      {"+5", AFX_IDP_PARSE_UINT, 0},
      {"1 2", AFX_IDP_PARSE_UINT, 0},
      {"\xEF\xBC\x95", AFX_IDP_PARSE_UINT, 0},  // a full-width digit
      {"0", AFX_IDP_PARSE_INT_RANGE, 0},
      {"100000000", AFX_IDP_PARSE_INT_RANGE, 0},
      {"4294967297", AFX_IDP_PARSE_INT_RANGE, 0},  // 1 once cut to 32 bits
      {"999999999999999999999999999999", AFX_IDP_PARSE_INT_RANGE, 0},
  };
  for (const auto& c : cases) {
    uint32_t line = 0;
    EXPECT_EQ(ParseGotoLine(QString::fromUtf8(c.text), &line), c.refusal) << c.text;
    EXPECT_EQ(line, c.line) << c.text;
  }
  EXPECT_EQ(GotoLineRefusal(AFX_IDP_PARSE_INT_RANGE),
            QString::fromUtf8("请输入一个在 1 和 99999999 之间的整数。"));
  EXPECT_EQ(GotoLineRefusal(AFX_IDP_PARSE_UINT), QString::fromUtf8("请输入一个正整数。"));
}

TEST(GotoDlg, RefusedNumberKeepsTheDialogOpenOnTheField) {
  QStringList messages;
  SetMessageBoxHook([&](const QString& text, uint32_t) {
    messages << text;
    return IDOK;
  });
  CGotoDlg dialog;
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  auto* line = dialog.findChild<QLineEdit*>(QStringLiteral("1042"));
  auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("IDOK"));
  ASSERT_NE(line, nullptr);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("定位行"));
  EXPECT_EQ(line->text(), QStringLiteral("1"));
  EXPECT_TRUE(line->hasFocus());
  auto* label = dialog.findChild<QLabel*>();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->buddy(), line);

  // Typing replaces the selected "1"; only digits get in.
  QTest::keyClicks(line, QStringLiteral("0x"));
  EXPECT_EQ(line->text(), QStringLiteral("0"));
  QTest::mouseClick(ok, Qt::LeftButton);
  EXPECT_EQ(messages, QStringList{GotoLineRefusal(AFX_IDP_PARSE_INT_RANGE)});
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(line->hasFocus());
  EXPECT_EQ(dialog.m_nLine, 1u);

  QTest::keyClicks(line, QStringLiteral("12"));
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.m_nLine, 12u);
  EXPECT_EQ(messages.size(), 1);
  SetMessageBoxHook({});
}

}  // namespace
