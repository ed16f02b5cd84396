// The text font as the user sets it in the running program: the format
// bar's boxes, the font dialog, and the font after a language switch and a
// restart. The size-text rules are tested without a window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontComboBox>
#include <QFontDialog>
#include <QLineEdit>
#include <QTest>

#include "document/FontSize.h"
#include "document/TTSDemoView.h"
#include "resources/ResourceIds.h"
#include "shell/FormatBar.h"
#include "shell/MainFrame.h"
#include "tests/shell/AppTestSupport.h"

namespace {

CTTSDemoView* View(AppFixture& f) {
  return dynamic_cast<CTTSDemoView*>(f.app->m_pMainWnd->GetActiveView());
}
CFormatBar* Bar(AppFixture& f) {
  return dynamic_cast<CMainFrame*>(f.app->m_pMainWnd)->m_wndFormatBar;
}
void TypeSize(AppFixture& f, const QString& text) {
  QComboBox* size = Bar(f)->FontSizeBox();
  size->setEditText(text);
  QTest::keyClick(size->lineEdit(), Qt::Key_Return);
}
// Steps a closed combo box to an item with the arrow keys, as a user does;
// every step is a completed choice.
void ChooseItem(QComboBox* combo, const QString& text) {
  const int index = combo->findText(text);
  ASSERT_GE(index, 0) << text.toStdString();
  for (int steps = 0; combo->currentIndex() != index && steps < combo->count(); ++steps)
    QTest::keyClick(combo, combo->currentIndex() < index ? Qt::Key_Down : Qt::Key_Up);
  ASSERT_EQ(combo->currentIndex(), index);
}
// Picks a face in the name box.
void ChooseFace(AppFixture& f, const QString& family) {
  ChooseItem(Bar(f)->FontNameBox(), family);
}

TEST(FontSize, TypedSizes) {
  const struct {
    const char* text;
    FontSizeEntry::Kind kind;
    int points;
  } cases[] = {
      {" 9 ", FontSizeEntry::kValid, 9},   {"10.6", FontSizeEntry::kValid, 11},
      {"  ", FontSizeEntry::kEmpty, 0},    {"12pt", FontSizeEntry::kInvalid, 0},
      {"0.4", FontSizeEntry::kInvalid, 0}, {"1639", FontSizeEntry::kInvalid, 0},
      {"nan", FontSizeEntry::kInvalid, 0},
  };
  for (const auto& c : cases) {
    const FontSizeEntry entry = ParseFontSize(QString::fromLatin1(c.text));
    EXPECT_EQ(entry.kind, c.kind) << c.text;
    EXPECT_EQ(entry.points, c.points) << c.text;
  }
  QFont pixels;
  pixels.setPixelSize(32);
  EXPECT_EQ(FontPointSize(pixels, 96), 24);
}

TEST(ViewFont, ASizeThatIsNotANumberIsReportedOnceAndTheSizeStays) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  f.messages.clear();
  TypeSize(f, "15");
  const QFont before = View(f)->font();
  ASSERT_EQ(before.pointSize(), 15);

  TypeSize(f, "abc");
  EXPECT_EQ(f.messages, QStringList{QString::fromUtf8("无效的数字")});
  EXPECT_EQ(Bar(f)->FontSizeBox()->currentText(), "15");
  EXPECT_EQ(View(f)->font(), before);

  // A face chosen after a typed but unconfirmed bad size: reported once too.
  f.messages.clear();
  Bar(f)->FontSizeBox()->setEditText("x");
  ChooseFace(f, "DejaVu Serif");
  EXPECT_EQ(f.messages.size(), 1);
  EXPECT_EQ(Bar(f)->FontSizeBox()->currentText(), "15");
  EXPECT_EQ(View(f)->font().pointSize(), 15);
}

TEST(ViewFont, FaceAndSizeReachTheViewAndTheBoxesAndOutliveTheFrame) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  f.messages.clear();
  ChooseFace(f, "DejaVu Serif");
  TypeSize(f, "17");
  EXPECT_EQ(View(f)->font().family(), "DejaVu Serif");
  EXPECT_EQ(View(f)->font().pointSize(), 17);
  EXPECT_EQ(Bar(f)->FontNameBox()->currentText(), "DejaVu Serif");

  // Sizes stepped through with the arrow keys: one step from the size shown.
  QTest::keyClick(Bar(f)->FontSizeBox(), Qt::Key_Down);
  EXPECT_EQ(View(f)->font().pointSize(), 18);
  ChooseItem(Bar(f)->FontSizeBox(), "24");
  EXPECT_EQ(View(f)->font().pointSize(), 24);

  // The font dialog starts from the view's font; its choice is applied and shown.
  QFont offered;
  SetModalHook([&offered](QDialog* dialog) {
    auto* fonts = qobject_cast<QFontDialog*>(dialog);
    if (fonts == nullptr) return int(QDialog::Rejected);
    offered = fonts->currentFont();
    fonts->setCurrentFont(QFont("DejaVu Sans Mono", 13));
    return int(QDialog::Accepted);
  });
  EXPECT_TRUE(f.app->m_pMainWnd->OnCommand(ID_VIEW_FONT, true));
  EXPECT_EQ(offered.family(), "DejaVu Serif");
  EXPECT_EQ(offered.pointSize(), 24);
  EXPECT_EQ(View(f)->font().family(), "DejaVu Sans Mono");
  EXPECT_EQ(Bar(f)->FontNameBox()->currentText(), "DejaVu Sans Mono");
  EXPECT_EQ(Bar(f)->FontSizeBox()->currentText(), "13");

  // A new frame in another language, then a restart, keep the font.
  ASSERT_TRUE(f.app->SwitchLanguage(ID_LANG_ENU, f.app->m_hLangPackEnu));
  EXPECT_EQ(View(f)->font().family(), "DejaVu Sans Mono");
  EXPECT_EQ(View(f)->font().pointSize(), 13);
  EXPECT_TRUE(f.messages.isEmpty()) << f.messages.join('|').toStdString();
  f.Exit();
  ASSERT_TRUE(f.Start());
  EXPECT_EQ(View(f)->font().family(), "DejaVu Sans Mono");
  EXPECT_EQ(View(f)->font().pointSize(), 13);
  EXPECT_EQ(Bar(f)->FontSizeBox()->currentText(), "13");
}

}  // namespace
