// Go to line, find and replace in the running program: where the caret
// goes, what the status bar says, the dialog's buttons, one undo step for a
// replace-all. Where a search lands is tested without a window
// (test_TextSearch).
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "document/FindReplaceDlg.h"
#include "document/TTSDemoView.h"
#include "document/TextSearch.h"
#include "framework/FrameWnd.h"
#include "resources/ResourceIds.h"
#include "shell/GotoDlg.h"
#include "tests/shell/AppTestSupport.h"

namespace {

const QString kDone = QString::fromUtf8("查找替换成功。");
const QString kNotFound = QString::fromUtf8("!无法定位要查找的文本。");

CTTSDemoView* View(AppFixture& f) {
  return dynamic_cast<CTTSDemoView*>(f.app->m_pMainWnd->GetActiveView());
}

// Answers the go-to-line dialog with a line number, as if typed and OK'd.
void AnswerGoto(AppFixture& f, uint32_t line) {
  SetModalHook([&f, line](QDialog* dialog) {
    f.dialogs << QString::fromLatin1(dialog->metaObject()->className());
    auto* gotoDlg = qobject_cast<CGotoDlg*>(dialog);
    if (gotoDlg == nullptr) return int(QDialog::Rejected);
    gotoDlg->m_nLine = line;
    return int(QDialog::Accepted);
  });
}

CFindOptions Find(const char* text, bool matchCase, bool wholeWord) {
  CFindOptions o;
  o.m_strFind = QString::fromUtf8(text);
  o.m_bMatchCase = matchCase;
  o.m_bWholeWord = wholeWord;
  return o;
}

TEST(GoToLine, TextLinesNotWrappedLines) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CFrameWnd* frame = f.app->m_pMainWnd;
  CTTSDemoView* view = View(f);
  f.dialogs.clear();
  EXPECT_FALSE(frame->IsCommandEnabled(ID_EDIT_GOTO));
  EXPECT_FALSE(frame->ExecuteCommand(ID_EDIT_GOTO));
  EXPECT_TRUE(f.dialogs.isEmpty()) << f.dialogs.join(u' ').toStdString();

  // The second line wraps many times in the window; it is still one line.
  const QString longLine = QString::fromUtf8("语音合成测试 ").repeated(200);
  view->SetText(QStringLiteral("first\n") + longLine + QStringLiteral("\nlast"));
  QApplication::processEvents();
  ASSERT_GT(view->document()->findBlockByNumber(1).layout()->lineCount(), 1);
  EXPECT_TRUE(frame->IsCommandEnabled(ID_EDIT_GOTO));
  const int lastStart = 6 + int(longLine.size()) + 1;
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(2);
  cursor.setPosition(4, QTextCursor::KeepAnchor);
  view->setTextCursor(cursor);

  const struct {
    uint32_t line;
    int caret;
  } cases[] = {{3, lastStart}, {1, 0}, {2, 6}};
  for (const auto& c : cases) {
    AnswerGoto(f, c.line);
    EXPECT_TRUE(frame->ExecuteCommand(ID_EDIT_GOTO));
    EXPECT_EQ(view->textCursor().position(), c.caret) << c.line;
    EXPECT_FALSE(view->textCursor().hasSelection()) << c.line;
  }
  EXPECT_EQ(f.dialogs.last(), QStringLiteral("CGotoDlg"));

  // One line past the end: the message, and the caret stays where it was.
  AnswerGoto(f, 4);
  EXPECT_TRUE(frame->ExecuteCommand(ID_EDIT_GOTO));
  EXPECT_EQ(view->textCursor().position(), 6);
  EXPECT_EQ(frame->GetMessageText(), QString::fromUtf8("!无法定位相应的行号。"));
  SetModalHook({});
}

TEST(FindReplace, DialogButtonsAndTheStatusBar) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CFrameWnd* frame = f.app->m_pMainWnd;
  CTTSDemoView* view = View(f);
  view->SetText(QStringLiteral("one two one\nthree one"));
  // A selection within one line becomes the text to find.
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(0);
  cursor.setPosition(3, QTextCursor::KeepAnchor);
  view->setTextCursor(cursor);

  EXPECT_TRUE(frame->OnCommand(ID_EDIT_REPLACE, true));
  CFindReplaceDlg* dialog = view->FindReplaceDialog();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->isVisible());
  EXPECT_TRUE(dialog->IsReplaceMode());
  auto* find = dialog->findChild<QLineEdit*>(QStringLiteral("FindWhat"));
  auto* with = dialog->findChild<QLineEdit*>(QStringLiteral("ReplaceWith"));
  auto* replace = dialog->findChild<QPushButton*>(QStringLiteral("Replace"));
  EXPECT_EQ(find->text(), QStringLiteral("one"));
  QTest::keyClicks(with, QStringLiteral("1"));

  // The selected match is replaced, then the next one is selected.
  QTest::mouseClick(replace, Qt::LeftButton);
  EXPECT_EQ(view->GetText(), QStringLiteral("1 two one\nthree one"));
  EXPECT_EQ(view->textCursor().selectedText(), QStringLiteral("one"));
  EXPECT_EQ(view->textCursor().selectionStart(), 6);
  EXPECT_EQ(frame->GetMessageText(), kDone);
  QTest::mouseClick(replace, Qt::LeftButton);
  EXPECT_EQ(view->textCursor().selectionStart(), 14);
  EXPECT_EQ(frame->GetMessageText(), kDone);
  // The last one is replaced, and nothing follows it.
  QTest::mouseClick(replace, Qt::LeftButton);
  EXPECT_EQ(view->GetText(), QStringLiteral("1 two 1\nthree 1"));
  EXPECT_EQ(frame->GetMessageText(), kNotFound);

  // Find mode hides the replacement; F3 repeats the search without it.
  EXPECT_TRUE(frame->OnCommand(ID_EDIT_FIND, true));
  EXPECT_FALSE(dialog->IsReplaceMode());
  EXPECT_FALSE(with->isVisible());
  find->setText(QStringLiteral("t"));
  QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Cancel")), Qt::LeftButton);
  EXPECT_FALSE(dialog->isVisible());
  view->moveCursor(QTextCursor::Start);
  EXPECT_TRUE(frame->OnCommand(ID_EDIT_REPEAT, true));
  EXPECT_EQ(view->textCursor().selectionStart(), 2);
  EXPECT_TRUE(frame->OnCommand(ID_EDIT_REPEAT, true));
  EXPECT_EQ(view->textCursor().selectionStart(), 8);
  EXPECT_EQ(frame->GetMessageText(), kDone);
  // An empty text to find leaves the buttons disabled.
  find->clear();
  EXPECT_FALSE(dialog->findChild<QPushButton*>(QStringLiteral("FindNext"))->isEnabled());
}

TEST(FindReplace, ReplaceAllByTheRulesInOneUndoStep) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CFrameWnd* frame = f.app->m_pMainWnd;
  CTTSDemoView* view = View(f);
  const QString original = QStringLiteral("Cat cat concat\nCAT cat_s");
  const struct {
    bool matchCase, wholeWord;
    int count;
    const char* result;
  } cases[] = {
      {true, true, 1, "Cat dog concat\nCAT cat_s"},
      {false, true, 3, "dog dog concat\ndog cat_s"},
      {true, false, 3, "Cat dog condog\nCAT dog_s"},
      {false, false, 5, "dog dog condog\ndog dog_s"},
  };
  for (const auto& c : cases) {
    view->SetText(original);
    EXPECT_EQ(view->ReplaceAll(Find("cat", c.matchCase, c.wholeWord), QStringLiteral("dog")),
              c.count);
    EXPECT_EQ(view->GetText(), QString::fromUtf8(c.result));
    EXPECT_EQ(frame->GetMessageText(), kDone);
    view->undo();
    EXPECT_EQ(view->GetText(), original) << c.result;
  }
  EXPECT_EQ(view->ReplaceAll(Find("dog", false, false), QStringLiteral("cat")), 0);
  EXPECT_EQ(view->GetText(), original);
  EXPECT_EQ(frame->GetMessageText(), kNotFound);
}

}  // namespace
