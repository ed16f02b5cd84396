// The information table as a window, offscreen: reports from threads,
// scrolling, column widths, the copy keys against the frame's accelerator,
// saving, registration.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <thread>

#include "framework/MessageBox.h"
#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/InfoReport.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "shell/OutputBar.h"
#include "shell/TTSDemoApp.h"

namespace {

// Turns the event loop until cond holds (QTRY_* cannot fail a gtest test).
#define WAIT_FOR(cond) ASSERT_TRUE(QTest::qWaitFor([&] { return (cond); }, 5000)) << #cond

QString Details(const CInfoTable& t, int row) {
  return t.Model()->index(row, 2).data().toString();
}

TEST(InfoTableGui, WorkerReportsFollowEarlierReportsInPostingOrder) {
  CInfoTable table;
  PostInfo(0, L"Voice", L"before the clear");
  ClearInfo();
  PostInfo(0, L"Voice", L"ui %d", 1);
  std::thread worker([] {
    for (int i = 0; i < 200; ++i) PostInfo(i % 2, L"Fetch", L"worker %d\nsecond line", i);
  });
  worker.join();
  PostInfo(-3, L"Voice", L"ui %d", 2);
  WAIT_FOR(table.Model()->rowCount() == 402);
  EXPECT_EQ(Details(table, 0), "ui 1");
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(Details(table, 1 + 2 * i), QString("worker %1").arg(i));
    ASSERT_EQ(Details(table, 2 + 2 * i), "second line");
  }
  EXPECT_EQ(table.Model()->RowText(401), "Warning -3\tVoice\tui 2");
}

TEST(InfoTableGui, ScrollsToTheLastRowAndCellsAreReadable) {
  CInfoTable table;
  table.resize(600, 150);
  table.show();
  for (int i = 0; i < 50; ++i) PostInfo(0, L"Synth", L"row %d", i);
  PostInfo(5, L"Synth", L"one\ntwo\nthree");
  WAIT_FOR(table.Model()->rowCount() == 53);
  QApplication::processEvents();
  EXPECT_GT(table.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(table.verticalScrollBar()->value(), table.verticalScrollBar()->maximum());
  const QRect last = table.visualRect(table.Model()->index(52, 2));
  EXPECT_TRUE(table.viewport()->rect().contains(last)) << last.y();
  EXPECT_EQ(Details(table, 52), "three");

  QAccessibleInterface* view = QAccessible::queryAccessibleInterface(&table);
  ASSERT_NE(view, nullptr);
  ASSERT_NE(view->tableInterface(), nullptr);
  EXPECT_EQ(view->tableInterface()->rowCount(), 53);
  QAccessibleInterface* result = view->tableInterface()->cellAt(50, 0);
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->text(QAccessible::Name), "Failed 5");
  EXPECT_EQ(view->tableInterface()->cellAt(51, 2)->text(QAccessible::Name), "two");
}

TEST(InfoTableGui, OnlyTheLastColumnFollowsTheWidth) {
  COutputBar bar;
  EXPECT_EQ(bar.objectName(), "OutputBar");
  EXPECT_EQ(bar.windowTitle(), QStringLiteral("信息输出"));
  CInfoTable& table = *bar.InfoTable();
  EXPECT_EQ(table.objectName(), "InfoTable");
  EXPECT_EQ(table.sizeHint().height(), 150);
  auto expectFilled = [&table](const char* when) {
    SCOPED_TRACE(when);
    EXPECT_EQ(table.columnWidth(0), 70);
    EXPECT_EQ(table.columnWidth(1), 100);
    EXPECT_EQ(table.columnWidth(2), table.viewport()->width() - 172);
  };
  bar.resize(600, 150);
  bar.show();
  QApplication::processEvents();
  expectFilled("shown");
  const int before = table.columnWidth(2);
  bar.resize(900, 150);
  QApplication::processEvents();
  expectFilled("widened");
  EXPECT_EQ(table.columnWidth(2), before + 300);
  // Enough rows for a vertical scroll bar: the viewport narrows, the last
  // column with it, and no horizontal scroll bar appears.
  for (int i = 0; i < 100; ++i) PostInfo(0, L"Synth", L"row %d", i);
  WAIT_FOR(table.Model()->rowCount() == 100);
  QApplication::processEvents();
  ASSERT_TRUE(table.verticalScrollBar()->isVisible());
  expectFilled("with a scroll bar");
  EXPECT_FALSE(table.horizontalScrollBar()->isVisible());
}

TEST(InfoTableGui, CopyKeysCopyRowsDespiteTheFramesAccelerator) {
  QMainWindow frame;
  int frameCopies = 0;
  auto* editCopy = new QAction(&frame);
  editCopy->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)});
  QObject::connect(editCopy, &QAction::triggered, [&frameCopies] { ++frameCopies; });
  frame.addAction(editCopy);
  auto* selectAll = new QAction(&frame);
  selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  frame.addAction(selectAll);
  auto* central = new QWidget(&frame);
  auto* layout = new QVBoxLayout(central);
  auto* button = new QPushButton("x", central);
  auto* table = new CInfoTable(central);
  layout->addWidget(button);
  layout->addWidget(table);
  frame.setCentralWidget(central);
  frame.show();
  QApplication::setActiveWindow(&frame);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

  PostInfo(0, L"Voice", L"first");
  PostInfo(3, L"Synth", L"a\nb");
  PostInfo(0, L"Rate", L"last");
  WAIT_FOR(table->Model()->rowCount() == 4);
  table->selectRow(1);
  table->selectionModel()->select(table->Model()->index(3, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  table->setFocus();
  QApplication::clipboard()->clear();
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "Failed 3\tSynth\ta\nOK\tRate\tlast\n");
  QApplication::clipboard()->clear();
  QTest::keyClick(table, Qt::Key_Insert, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "Failed 3\tSynth\ta\nOK\tRate\tlast\n");
  QTest::keyClick(table, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(),
            "OK\tVoice\tfirst\nFailed 3\tSynth\ta\n\t\tb\nOK\tRate\tlast\n");
  EXPECT_EQ(frameCopies, 0);

  // Elsewhere the frame's accelerator still works.
  button->setFocus();
  QTest::keyClick(button, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(frameCopies, 1);
}

class SaveTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetModalHook({});
    SetMessageBoxHook({});
  }
  // Answers the file dialog with path.
  void ChooseFile(const QString& path) {
    SetModalHook([path](QDialog* d) {
      auto* dialog = qobject_cast<QFileDialog*>(d);
      if (dialog == nullptr || dialog->acceptMode() != QFileDialog::AcceptSave) return 0;
      dialog->selectFile(path);
      return 1;
    });
  }
  QTemporaryDir m_dir;
};

TEST_F(SaveTest, SaveAsFromTheContextMenuWritesEveryRow) {
  CInfoTable table;
  PostInfo(0, L"Voice", L"普通话");
  PostInfo(-1, L"Pitch", L"x\ny");
  WAIT_FOR(table.Model()->rowCount() == 3);
  const QString path = m_dir.filePath("rows.txt");
  ChooseFile(path);
  std::unique_ptr<QMenu> menu(table.CreateContextMenu(nullptr));
  QAction* copy = menu->findChild<QAction*>("InfoCopy");
  QAction* save = menu->findChild<QAction*>("InfoSaveAs");
  ASSERT_TRUE(copy && save);
  EXPECT_EQ(copy->text(), AfxString(IDS_INFO_COPY));
  EXPECT_FALSE(copy->isEnabled());  // nothing selected
  ASSERT_TRUE(save->isEnabled());
  save->trigger();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()),
            QStringLiteral("OK\tVoice\t普通话\nWarning -1\tPitch\tx\n\t\ty\n"));
}

TEST_F(SaveTest, AFailedSaveIsReported) {
  CInfoTable table;
  PostInfo(0, L"Voice", L"row");
  WAIT_FOR(table.Model()->rowCount() == 1);
  const QString path = m_dir.filePath("missing/rows.txt");
  ChooseFile(path);
  QString message;
  SetMessageBoxHook([&message](const QString& text, uint32_t) {
    message = text;
    return IDOK;
  });
  EXPECT_FALSE(table.SaveAs());
  EXPECT_TRUE(message.contains(path)) << message.toStdString();
  EXPECT_FALSE(QFile::exists(path));
}

TEST(InfoTableGui, ReportsWithoutATableAreDroppedAndRegistrationIsUndone) {
  CTTSDemoApp app;
  PostInfo(0, L"Voice", L"no table yet");
  auto first = std::make_unique<CInfoTable>();
  EXPECT_EQ(app.m_pInfoTable, first.get());
  QApplication::processEvents();
  EXPECT_EQ(first->Model()->rowCount(), 0);

  // A second table (a rebuilt window) takes over; the first one's end does
  // not unregister it.
  CInfoTable second;
  EXPECT_EQ(app.m_pInfoTable, &second);
  first.reset();
  EXPECT_EQ(app.m_pInfoTable, &second);
  PostInfo(0, L"Voice", L"to the second");
  WAIT_FOR(second.Model()->rowCount() == 1);

  { CInfoTable third; }
  EXPECT_EQ(app.m_pInfoTable, nullptr);
  PostInfo(0, L"Voice", L"nobody");  // dropped, and nothing fails
  QApplication::processEvents();
  EXPECT_EQ(second.Model()->rowCount(), 1);
}

}  // namespace
