// The splash window: where its text goes, the picture file that replaces
// picture and text, closing at once or after the user's input, one splash at
// a time, and work run beside its event loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/SplashWnd.h"
#include "tests/support/TestSupport.h"

namespace {

const QSize kPicture(423, 221);

QLabel* Label(const char* name) {
  return g_pSplashWnd ? g_pSplashWnd->findChild<QLabel*>(name) : nullptr;
}

// A 24-bit picture file of size x 100 pixels in one colour.
QByteArray SplashFile(int width, QRgb colour) {
  const int stride = (width * 3 + 3) / 4 * 4;
  QByteArray row(stride, '\0');
  for (int x = 0; x < width; ++x) {
    row[3 * x] = char(qBlue(colour));
    row[3 * x + 1] = char(qGreen(colour));
    row[3 * x + 2] = char(qRed(colour));
  }
  QByteArray header(54, '\0');
  auto put = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = char(v >> (8 * i));
  };
  header[0] = 'B', header[1] = 'M';
  put(2, 54 + stride * 100), put(10, 54), put(14, 40), put(18, uint32_t(width)), put(22, 100);
  header[26] = 1, header[28] = 24;
  return header + row.repeated(100);
}

// Runs a test in a folder of its own (the picture file is looked for in the
// current directory) and closes any splash it leaves.
class SplashWnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(AfxGetResourceHandle()->Bitmap(IDB_SPLASH).isNull()) << "bitmap 109 is missing";
    m_oldDir = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
  }
  void TearDown() override {
    CloseSplash(false);
    QDir::setCurrent(m_oldDir);
  }
  QTemporaryDir m_dir;
  QString m_oldDir;
};

TEST_F(SplashWnd, ShortTextsStartAtTheRightLongOnesAreCentredFromTheTop) {
  const QString shortText(99, QChar(u'字')), longText(100, QChar(u'字'));
  EXPECT_EQ(PlaceSplashText(shortText, kPicture).rect, QRect(214, 100, 423 - 214, 221 - 100));
  EXPECT_EQ(PlaceSplashText(shortText, kPicture).alignment, Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(PlaceSplashText(longText, kPicture).rect, QRect(0, 20, 423, 221 - 20));
  EXPECT_EQ(PlaceSplashText(longText, kPicture).alignment, Qt::AlignHCenter | Qt::AlignTop);

  // The window puts its label there, and moves it when the text changes.
  ShowSplash(shortText);
  ASSERT_NE(g_pSplashWnd, nullptr);
  QLabel* text = Label("SplashText");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(g_pSplashWnd->size(), kPicture);
  EXPECT_TRUE(text->isVisible());
  EXPECT_EQ(text->geometry(), QRect(214, 100, 209, 121));
  EXPECT_EQ(text->text(), shortText);
  SetSplashText(longText + "\nline two");
  EXPECT_EQ(text->geometry(), QRect(0, 20, 423, 201));
  EXPECT_EQ(text->alignment(), Qt::AlignHCenter | Qt::AlignTop);
  EXPECT_FALSE(text->wordWrap());  // lines break at line feeds only
  EXPECT_EQ(text->textFormat(), Qt::PlainText);
}

TEST_F(SplashWnd, PictureFileReplacesPictureAndTextButNotTheSize) {
  ASSERT_TRUE(WriteAll("ttssplash.bmp", SplashFile(300, qRgb(200, 10, 10))));
  ShowSplash("start-up text");
  ASSERT_NE(g_pSplashWnd, nullptr);
  EXPECT_TRUE(g_pSplashWnd->ShowsImageFile());
  EXPECT_EQ(g_pSplashWnd->size(), kPicture);
  EXPECT_FALSE(Label("SplashText")->isVisible());
  EXPECT_EQ(Label("SplashPicture")->geometry(), QRect(0, 0, 300, 100));
  const QImage shot = g_pSplashWnd->grab().toImage();
  EXPECT_EQ(shot.pixel(150, 50), qRgb(200, 10, 10));
  CloseSplash(false);

  // A damaged file falls back to bitmap 109 with the text.
  ASSERT_TRUE(WriteAll("ttssplash.bmp", SplashFile(300, qRgb(200, 10, 10)).left(3000)));
  ShowSplash("start-up text");
  ASSERT_NE(g_pSplashWnd, nullptr);
  EXPECT_FALSE(g_pSplashWnd->ShowsImageFile());
  EXPECT_TRUE(Label("SplashText")->isVisible());
  EXPECT_EQ(Label("SplashText")->text(), "start-up text");
  EXPECT_EQ(Label("SplashPicture")->geometry(), QRect(QPoint(0, 0), kPicture));
}

TEST_F(SplashWnd, WaitingCloseReturnsOnlyAfterAKeyOrButtonOnTheSplash) {
  struct Input {
    const char* name;
    std::function<void(QWidget*)> send;
  };
  const Input inputs[] = {
      {"left click", [](QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }},
      {"right click", [](QWidget* w) { QTest::mouseClick(w, Qt::RightButton); }},
      {"middle click", [](QWidget* w) { QTest::mouseClick(w, Qt::MiddleButton); }},
      {"key", [](QWidget* w) { QTest::keyClick(w, Qt::Key_Space); }},
  };
  for (const Input& input : inputs) {
    SCOPED_TRACE(input.name);
    ShowSplash("error text");
    CSplashWnd* wnd = g_pSplashWnd;
    ASSERT_NE(wnd, nullptr);
    input.send(wnd);  // before the wait: ignored
    bool waitedThroughOtherInput = false;
    bool sent = false;
    QTimer::singleShot(20, [&] {
      QTest::mouseMove(wnd, QPoint(10, 10));
      QTest::mouseClick(wnd, Qt::BackButton);
      waitedThroughOtherInput = g_pSplashWnd == wnd && wnd->IsWaiting();
    });
    QTimer::singleShot(60, [&] {
      sent = true;
      input.send(wnd);
    });
    CloseSplash(true);
    EXPECT_TRUE(waitedThroughOtherInput);
    EXPECT_TRUE(sent);
    EXPECT_EQ(g_pSplashWnd, nullptr);
  }
}

TEST_F(SplashWnd, OneSplashAtATimeCentredOnItsOwner) {
  QWidget owner;
  owner.setGeometry(40, 30, 600, 400);
  owner.show();
  ShowSplash("first", &owner);
  CSplashWnd* wnd = g_pSplashWnd;
  ASSERT_NE(wnd, nullptr);
  EXPECT_LE((wnd->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
  ShowSplash("second");
  EXPECT_EQ(g_pSplashWnd, wnd);
  EXPECT_EQ(wnd->Text(), "second");
  ShowSplash();  // no text: keeps the one shown
  EXPECT_EQ(wnd->Text(), "second");
  CloseSplash(false);
  EXPECT_EQ(g_pSplashWnd, nullptr);
  CloseSplash(true);  // nothing runs: returns at once
  SetSplashText("nobody");
  EXPECT_EQ(g_pSplashWnd, nullptr);
}

TEST_F(SplashWnd, OwnerGoingEndsTheWait) {
  auto* owner = new QWidget;
  owner->show();
  ShowSplash("error text", owner);
  ASSERT_NE(g_pSplashWnd, nullptr);
  QTimer::singleShot(20, [&] { delete owner; });
  CloseSplash(true);
  EXPECT_EQ(g_pSplashWnd, nullptr);
}

TEST_F(SplashWnd, WithoutPictureThereIsNoWindow) {
  CSplashWnd wnd;
  EXPECT_FALSE(wnd.Create(QImage()));
}

// The work waits for three timer ticks of the calling thread: it returns
// only if the event loop runs beside it.
TEST(RunBesideEventLoop, LoopRunsWhileWorkRuns) {
  std::mutex lock;
  std::condition_variable changed;
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    std::lock_guard<std::mutex> hold(lock);
    ++ticks;
    changed.notify_all();
  });
  timer.start(5);
  int seenByWork = 0;
  RunBesideEventLoop([&] {
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return ticks >= 3; });
    seenByWork = ticks;
  });
  EXPECT_GE(seenByWork, 3);

  EXPECT_THROW(RunBesideEventLoop([] { throw std::runtime_error("engine"); }), std::runtime_error);
}

}  // namespace
