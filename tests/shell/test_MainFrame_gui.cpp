// The main window as a tester meets it: its bars and panes, full-screen
// mode, the bars' context menu, the clipboard keys in the format bar, closing
// while audio runs, and what accessibility tools can read.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QClipboard>
#include <QDockWidget>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <cstring>

#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "document/TextEncoding.h"
#include "engine/TtsAdapter.h"
#include "resources/ResourceIds.h"
#include "settings/ControlPanelBar.h"
#include "shell/FormatBar.h"
#include "shell/LogoWnd.h"
#include "shell/MainFrame.h"
#include "shell/OutputBar.h"
#include "tests/audio/PipelineTestEndpoints.h"
#include "tests/shell/AppTestSupport.h"

namespace {

CMainFrame* Frame(AppFixture& f) {
  return dynamic_cast<CMainFrame*>(f.app->m_pMainWnd);
}

TEST(MainFrame, BarsPanesAndLogoAreWhereTheyBelong) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->menuBar()->actions().size(), 5);
  EXPECT_EQ(frame->dockWidgetArea(frame->m_wndControlPanelBar), Qt::LeftDockWidgetArea);
  EXPECT_EQ(frame->dockWidgetArea(frame->m_wndOutputBar), Qt::BottomDockWidgetArea);
  EXPECT_EQ(frame->m_wndControlPanelBar->windowTitle(), QString::fromUtf8("控制面板"));
  EXPECT_EQ(frame->m_wndOutputBar->windowTitle(), QString::fromUtf8("信息输出"));
  EXPECT_EQ(frame->toolBarArea(frame->m_wndToolBar), Qt::TopToolBarArea);
  EXPECT_EQ(frame->toolBarArea(frame->m_wndFormatBar), Qt::TopToolBarArea);
  // The format bar sits beside the toolbar, in the same row.
  EXPECT_EQ(frame->m_wndFormatBar->geometry().top(), frame->m_wndToolBar->geometry().top());
  QStringList panes;
  for (QLabel* label : frame->statusBar()->findChildren<QLabel*>())
    if (!label->text().isEmpty()) panes << label->text();
  for (const char* text : {"就绪", "大写", "数字"})
    EXPECT_TRUE(panes.contains(QString::fromUtf8(text))) << text;
  // The encoding pane names the text's code page from the first update on.
  EXPECT_TRUE(panes.contains(EncodingPaneText(GetTextCodePage(), "Unicode")));
  // The logo: 46 by 24, 2 pixels from the top-right corner, also after a resize.
  frame->resize(900, 600);
  QApplication::processEvents();
  const QRect logo = frame->m_wndLogo->geometry();
  EXPECT_EQ(logo.size(), QSize(46, 24));
  EXPECT_EQ(logo.right() + 1, frame->width() - 2);
  EXPECT_EQ(logo.top(), 2);
}

TEST(MainFrame, FullScreenTwiceGivesBackTheWindowAndItsBars) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  frame->m_wndOutputBar->hide();  // a bar the user had closed stays closed
  frame->setGeometry(100, 80, 900, 600);
  QApplication::processEvents();
  const QRect before = frame->geometry();

  frame->OnCommand(ID_VIEW_FULLSCREEN, true);
  EXPECT_TRUE(frame->IsFullScreen());
  EXPECT_FALSE(frame->menuBar()->isVisible());
  EXPECT_FALSE(frame->statusBar()->isVisible());
  EXPECT_FALSE(frame->m_wndFormatBar->isVisible());
  EXPECT_FALSE(frame->m_wndControlPanelBar->isVisible());
  EXPECT_TRUE(frame->m_wndToolBar->isVisible());  // its button leaves the mode
  frame->UpdateCommandUI();
  EXPECT_TRUE(frame->CommandAction(ID_VIEW_FULLSCREEN)->isChecked());

  frame->OnCommand(ID_VIEW_FULLSCREEN, true);
  QApplication::processEvents();
  EXPECT_FALSE(frame->IsFullScreen());
  EXPECT_EQ(frame->geometry(), before);
  EXPECT_TRUE(frame->menuBar()->isVisible());
  EXPECT_TRUE(frame->statusBar()->isVisible());
  EXPECT_TRUE(frame->m_wndFormatBar->isVisible());
  EXPECT_TRUE(frame->m_wndControlPanelBar->isVisible());
  EXPECT_FALSE(frame->m_wndOutputBar->isVisible());

  // Esc leaves full-screen mode; outside it Esc changes nothing.
  frame->OnFullScreen();
  QTest::keyClick(frame, Qt::Key_Escape);
  EXPECT_FALSE(frame->IsFullScreen());
  QTest::keyClick(frame, Qt::Key_Escape);
  EXPECT_FALSE(frame->IsFullScreen());
}

TEST(MainFrame, TheBarsContextMenuShowsWhichBarsAreVisible) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  frame->m_wndOutputBar->hide();
  std::unique_ptr<QMenu> menu(frame->createPopupMenu());
  ASSERT_NE(menu, nullptr);
  QStringList shown;
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    shown << a->objectName() + (a->isChecked() ? "+" : "-");
  }
  EXPECT_EQ(shown,
            QStringList({"ID_VIEW_TOOLBAR+", "ID_VIEW_FORMATBAR+", "ID_VIEW_STATUS_BAR+",
                         "ID_VIEW_CONTROLPANEL+", "ID_VIEW_OUTPUT-", "ID_VIEW_SPEECHVIEW+"}));
  // Alt+2 shows the output bar again.
  QTest::keyClick(frame, Qt::Key_2, Qt::AltModifier);
  EXPECT_TRUE(frame->m_wndOutputBar->isVisible());
}

TEST(MainFrame, ClipboardKeysInTheFontSizeBoxWorkOnTheBox) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  frame->resize(1200, 700);  // room for the whole format bar
  QApplication::processEvents();
  auto* view = dynamic_cast<CEditView*>(frame->GetActiveView());
  view->SetText("document text");
  view->selectAll();
  QComboBox* size = frame->m_wndFormatBar->FontSizeBox();
  size->setEditText("14");
  size->lineEdit()->selectAll();
  size->setFocus();
  QApplication::clipboard()->clear();
  QTest::keyClick(size->lineEdit(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "14");
  // The same key as an accelerator while the box has the focus.
  QApplication::clipboard()->clear();
  frame->OnCommand(ID_EDIT_COPY, true);
  EXPECT_EQ(QApplication::clipboard()->text(), "14");
}

TEST(MainFrame, ClosingDuringAPlayStopsItFirst) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  PatternSource source;
  source.total = 1ull << 40;
  CollectingSink sink;
  sink.manual = true;  // blocks stay queued: the play runs until stopped
  ASSERT_EQ(f.app->m_audioCore.Play(&source, &sink, nullptr), 0u);
  ASSERT_FALSE(f.app->IsPipelineIdle());

  QPointer<CMainFrame> alive(frame);
  frame->close();
  EXPECT_TRUE(f.app->IsPipelineIdle());  // stopped at once
  EXPECT_TRUE(alive);                    // and the close comes after
  for (int i = 0; i < 50 && alive; ++i) QApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(alive);
  EXPECT_EQ(f.app->m_pMainWnd, nullptr);
}

// A file dropped on the window (or on the text) is opened as the document,
// not inserted as text.
TEST(MainFrame, ADroppedFileIsOpened) {
  AppFixture f;
  const QString path = f.TempPath("dropped.txt");
  ASSERT_TRUE(WriteAll(path, "dropped text"));
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  data.setText(path);
  QWidget* view = frame->GetActiveView()->GetWidget();
  const QPoint at = view->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(view, &drop);
  QApplication::processEvents();
  CDocument* doc = f.app->m_pMainWnd->GetActiveDocument();
  EXPECT_EQ(doc->GetPathName(), QFileInfo(path).absoluteFilePath());
  EXPECT_EQ(dynamic_cast<CEditView*>(doc->GetFirstView())->GetText(), "dropped text");
}

// Every control a keyboard can reach, and every command, tells
// accessibility tools what it is.
TEST(MainFrame, EveryControlHasAnAccessibleName) {
  AppFixture f;
  ASSERT_TRUE(f.Start());
  CMainFrame* frame = Frame(f);
  QStringList unnamed;
  for (QWidget* w : frame->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->focusPolicy() == Qt::NoFocus) continue;
    if (qobject_cast<QMenu*>(w) != nullptr) continue;
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
    if (iface == nullptr || iface->text(QAccessible::Name).isEmpty())
      unnamed << w->metaObject()->className() + QStringLiteral(":") + w->objectName();
  }
  for (QToolBar* bar : frame->findChildren<QToolBar*>()) {
    for (QToolButton* b : bar->findChildren<QToolButton*>()) {
      if (!b->isVisible() || b->defaultAction() == nullptr) continue;
      QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(b);
      if (iface->text(QAccessible::Name).isEmpty()) unnamed << "button:" + b->objectName();
    }
  }
  EXPECT_EQ(unnamed, QStringList());
}

TEST(MainFrame, TitleRules) {
  const QString suffix = QString::fromUtf8("合成系统演示程序");
  const QString untitled = QString::fromUtf8("无标题");
  EXPECT_EQ(ComposeFrameTitle(false, "", nullptr, suffix, nullptr, false),
            QString::fromUtf8("Tonarel合成系统演示程序"));
  EXPECT_EQ(ComposeFrameTitle(false, "", nullptr, suffix, &untitled, true),
            QString::fromUtf8("Tonarel合成系统演示程序－无标题*"));
  TTSEngineInfo record{};
  std::strcpy(record.version, "6.2.1");
  EXPECT_EQ(ComposeFrameTitle(true, "/opt/kovlib/libtts.so", &record, suffix, nullptr, false),
            QString::fromUtf8("Korvane合成系统演示程序"));
  EXPECT_EQ(ComposeFrameTitle(true, "/opt/olmi/libtts.so", &record, suffix, nullptr, false),
            QString::fromUtf8("Tonarel 6.2 合成系统演示程序"));
  // Only object-form engines name their maker.
  EXPECT_EQ(ComposeFrameTitle(false, "/opt/olmi/libtts.so", &record, suffix, nullptr, false),
            QString::fromUtf8("Tonarel合成系统演示程序"));
}

}  // namespace
