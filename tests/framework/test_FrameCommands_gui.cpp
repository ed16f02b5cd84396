// Commands by id through a real frame: the menu item, the toolbar button and
// the key of a command are one action, routed view -> document -> frame ->
// application, and a disabled command never runs, whatever asked for it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>

#include "framework/DocView.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "resources/ResourceIds.h"

namespace {

struct Log {
  QStringList calls;
};

class CTestApp : public CWinApp {
 public:
  explicit CTestApp(Log* log) {
    MapCommand(ID_APP_ABOUT, [log] { log->calls << "app:about"; });
    MapCommand(ID_SYNTH_PLAY, [log] { log->calls << "app:play"; });
  }
};

class CTestDoc : public CDocument {
 public:
  explicit CTestDoc(Log* log) {
    MapCommand(ID_SYNTH_PLAY, [log] { log->calls << "doc:play"; });
    MapUpdate(ID_SYNTH_PLAY, [this](CCmdUI* ui) { ui->Enable(m_bPlayable); });
    MapCommand(ID_SYNTH_STOP, [log] { log->calls << "doc:stop"; });
  }
  bool m_bPlayable = false;
};

class CTestFrame : public CFrameWnd {
 public:
  explicit CTestFrame(Log* log) : m_pLog(log) {
    MapCommand(ID_SYNTH_STOP, [log] { log->calls << "frame:stop"; });
    MapCommand(ID_VIEW_FULLSCREEN, [this, log] {
      log->calls << "frame:fullscreen";
      PostCommand(ID_SYNTH_STOP);
      log->calls << "frame:fullscreen-done";
    });
  }
  bool OnCreate() override {
    LoadMenuBar(IDR_MAINFRAME);
    LoadAccelTable(IDR_MAINFRAME);
    auto* bar = new QToolBar(this);
    FillToolBar(bar, IDR_MAINFRAME);
    addToolBar(bar);
    return true;
  }
  Log* m_pLog;
};

struct Fixture {
  Log log;
  CTestApp app{&log};
  CTestDoc* doc = nullptr;
  CTestFrame* frame = nullptr;
  std::unique_ptr<CSingleDocTemplate> docTemplate;
  Fixture() {
    docTemplate = std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [this] { return doc = new CTestDoc(&log); },
        [this] { return frame = new CTestFrame(&log); }, [] { return new CEditView; });
    docTemplate->OpenDocumentFile(QString());
    frame->show();
    frame->activateWindow();
    QApplication::setActiveWindow(frame);
    (void)QTest::qWaitForWindowActive(frame);
  }
  ~Fixture() {
    docTemplate.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
};

TEST(FrameCommands, OneRuleForMenuToolbarAndKey) {
  Fixture f;
  QAction* play = f.frame->CommandAction(ID_SYNTH_PLAY);
  EXPECT_EQ(play->objectName(), "ID_SYNTH_PLAY");
  f.frame->UpdateCommandUI();
  EXPECT_FALSE(play->isEnabled());

  // Disabled: neither the key, nor a posted command, nor the action runs it.
  QTest::keyClick(f.frame, Qt::Key_F5);
  f.frame->PostCommand(ID_SYNTH_PLAY);
  QApplication::processEvents();
  EXPECT_FALSE(f.frame->OnCommand(ID_SYNTH_PLAY, false));
  EXPECT_TRUE(f.log.calls.isEmpty()) << qPrintable(f.log.calls.join(','));

  // The document's rule enables it; the document, first on the route, runs it.
  f.doc->m_bPlayable = true;
  f.frame->UpdateCommandUI();
  EXPECT_TRUE(play->isEnabled());
  QTest::keyClick(f.frame, Qt::Key_F5);
  play->trigger();
  EXPECT_EQ(f.log.calls, QStringList({"doc:play", "doc:play"}));

  // The same action sits in the menu and on the toolbar.
  bool inToolbar = false;
  for (QToolBar* bar : f.frame->findChildren<QToolBar*>())
    inToolbar = inToolbar || bar->actions().contains(play);
  EXPECT_TRUE(inToolbar);
  bool inMenu = false;
  for (QMenu* menu : f.frame->menuBar()->findChildren<QMenu*>())
    inMenu = inMenu || menu->actions().contains(play);
  EXPECT_TRUE(inMenu);
}

TEST(FrameCommands, RouteAndUnhandledCommands) {
  Fixture f;
  // The document handles Stop before the frame; the application gets About.
  f.frame->OnCommand(ID_SYNTH_STOP, false);
  f.frame->OnCommand(ID_APP_ABOUT, false);
  EXPECT_EQ(f.log.calls, QStringList({"doc:stop", "app:about"}));
  // Nobody handles Pause: disabled.
  f.frame->UpdateCommandUI();
  EXPECT_FALSE(f.frame->CommandAction(ID_SYNTH_PAUSE)->isEnabled());
  EXPECT_FALSE(f.frame->OnCommand(ID_SYNTH_PAUSE, false));
}

TEST(FrameCommands, APostedCommandRunsAfterTheCurrentOne) {
  Fixture f;
  QTest::keyClick(f.frame, Qt::Key_F11);
  EXPECT_EQ(f.log.calls, QStringList({"frame:fullscreen", "frame:fullscreen-done"}));
  QApplication::processEvents();
  EXPECT_EQ(f.log.calls.last(), "doc:stop");
}

// The editor's own copy key goes to the frame's Copy command, so the
// command's rule applies (nothing selected: disabled, nothing copied).
TEST(FrameCommands, EditorKeysGoThroughTheCommands) {
  Fixture f;
  auto* view = dynamic_cast<CEditView*>(f.frame->GetActiveView());
  ASSERT_NE(view, nullptr);
  view->setFocus();
  view->SetText("hello world");
  QTest::keyClick(view, Qt::Key_A, Qt::ControlModifier);  // select all, through its command
  f.frame->UpdateCommandUI();
  QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "hello world");
  QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
  EXPECT_TRUE(view->GetText().isEmpty());
  QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(view->GetText(), "hello world");
}

}  // namespace
