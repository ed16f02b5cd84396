// The program's batch, offscreen with the scriptable engine: the Open command
// with the left Shift key held asks for a folder and synthesises every file
// under it through the export command, each file's reports and timing in the
// information table; files that cannot be opened or have no text are
// skipped; an engine error halts the batch with its queue kept until the
// next Open with the left Shift key; the user's stop ends it.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QKeyEvent>

#include "framework/DocView.h"
#include "framework/KeyState.h"
#include "resources/ResourceIds.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "tests/shell/AppTestSupport.h"

namespace {

struct Row {
  QString result, action, details;
};

class BatchGui : public ::testing::Test {
 protected:
  // Starts the program on the test engine: one piece per word.
  void Start(const QByteArray& script) {
    f.Script("engine E1 127.0.0.1\nwords 200\n" + script);
    ASSERT_TRUE(f.Start({"-s", BinPath("libtestengine.so")}));
    frame = f.app->m_pMainWnd;
    ASSERT_NE(frame, nullptr);
    const QDir root(m_dir.path());
    Write("1.txt", QByteArray::fromHex("ced2c3c7bdf1ccecd2bbc6f0d1a7cfb0cbb5d6d0cec4a3acd2bbc6f0d1a"
                                       "7cfb0cbb5d6d0cec4a1a3"));  // GBK
    Write("2.txt", "Two words.");
    Write("sub/3.txt", QByteArray::fromHex("fffe480069002000740068006500720065002e00"));
    Write("sub/deeper/4.txt", "Deep down.");
    Write("sub/empty.txt", "");
    ASSERT_TRUE(QFile::link(root.filePath("nowhere"), root.filePath("5.txt")));
  }
  void Write(const QString& name, const QByteArray& data) {
    const QString path = QDir(m_dir.path()).filePath(name);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    ASSERT_TRUE(WriteAll(path, data));
  }
  // The Open command with the left Shift key held; the folder dialog picks
  // the test's folder, or is cancelled.
  void ShiftOpen(bool pick) {
    SetModalHook([this, pick](QDialog* dialog) {
      titles << dialog->windowTitle();
      auto* files = qobject_cast<QFileDialog*>(dialog);
      if (!pick || files == nullptr) return int(QDialog::Rejected);
      files->setDirectory(m_dir.path());
      return int(QDialog::Accepted);
    });
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, 50, 0xFFE1, 0);
    QApplication::sendEvent(frame, &down);
    ASSERT_TRUE(IsLeftShiftDown());
    frame->OnCommand(ID_FILE_OPEN, false);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Shift, Qt::NoModifier, 50, 0xFFE1, 0);
    QApplication::sendEvent(frame, &up);
  }
  bool WaitUntil(const std::function<bool()>& done) {
    const bool ok = QTest::qWaitFor(done, 60000);
    QCoreApplication::processEvents();
    return ok;
  }
  bool WaitForBatchEnd() {
    return WaitUntil([this] { return f.app->m_bBatch == 0 && f.app->IsPipelineIdle(); });
  }
  std::vector<Row> Rows() {
    CInfoTableModel* model = f.app->m_pInfoTable->Model();
    model->Flush();
    std::vector<Row> rows;
    for (int r = 0; r < model->rowCount(); ++r)
      rows.push_back({model->index(r, 0).data().toString(), model->index(r, 1).data().toString(),
                      model->index(r, 2).data().toString()});
    return rows;
  }
  int Count(const std::vector<Row>& rows, const QString& action, const QString& details = {}) {
    int n = 0;
    for (const Row& row : rows)
      if (row.action == action && row.details.startsWith(details)) ++n;
    return n;
  }

  AppFixture f;
  CFrameWnd* frame = nullptr;
  QTemporaryDir m_dir;
  QStringList titles;
};

TEST_F(BatchGui, EveryFileIsReportedWithItsTimingAndUnusableOnesSkipped) {
  Start({});
  ShiftOpen(true);
  ASSERT_TRUE(WaitForBatchEnd());
  EXPECT_EQ(titles, QStringList{"Select batched text folder"});
  // Nothing waited for the user (the machine has no sound card: that message
  // comes at start-up).
  f.messages.removeAll(AfxString(IDS_NO_SOUND_CARD));
  EXPECT_TRUE(f.messages.isEmpty()) << qPrintable(f.messages.join('|'));
  EXPECT_TRUE(
      f.app->GetDocManager()->GetTemplate()->GetDocument()->GetPathName().endsWith("empty.txt"));
  EXPECT_TRUE(f.app->m_batchFiles.isEmpty());
  EXPECT_EQ(f.app->m_ttsOutput.m_pParam, nullptr);  // no audio was kept

  const std::vector<Row> rows = Rows();
  const QString batch = AfxString(IDS_BATCH_ACTION);
  EXPECT_EQ(Count(rows, batch, AfxFormatString(IDS_BATCH_FILE, 1, 6, "1.txt")), 1);
  EXPECT_EQ(Count(rows, batch, AfxFormatString(IDS_BATCH_FILE, 6, 6, "sub/empty.txt")), 1);
  EXPECT_EQ(Count(rows, batch, AfxFormatString(IDS_BATCH_NO_TEXT, "sub/empty.txt")), 1);
  // The link that leads nowhere: its open failure as the document words it.
  bool linkReported = false;
  for (const Row& row : rows)
    linkReported |= row.action == batch && row.result == CInfoTableModel::ResultText(2) &&
                    row.details.contains("5.txt");
  EXPECT_TRUE(linkReported);
  // Each of the four texts, read in its own code page, ended and was timed.
  for (const char* text :
       {"我们今天一起学习说中文，一起学习说中文。", "Two words.", "Hi there.", "Deep down."})
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [&](const Row& r) {
      return r.action == "Synth" && r.details.contains(QString::fromUtf8(text));
    })) << text;
  int ends = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].action != AfxString(61225)) continue;
    ++ends;
    EXPECT_EQ(rows[i].details, AfxString(61226));
    ASSERT_LT(i + 1, rows.size());
    EXPECT_EQ(rows[i + 1].action, AfxString(IDS_TIMING_ACTION));
  }
  EXPECT_EQ(ends, 4);
  // Four texts of 40, 9, 16 and 9 bytes at 200 bytes of audio per byte and
  // 32,000 bytes per second: 0.4625 s; the real-time factor is measured.
  EXPECT_EQ(rows.back().action, batch);
  EXPECT_TRUE(rows.back().details.startsWith(
      AfxFormatString(IDS_BATCH_SUMMARY, 6, 2, 0.4625, 0.0).chopped(5)))
      << rows.back().details.toStdString();
}

TEST_F(BatchGui, AnErrorHaltsTheBatchAndTheNextShiftOpenResumesIt) {
  // The third fetch fails: within the second text.
  Start("result TTSFetchNext 25 3\n");
  ShiftOpen(true);
  ASSERT_TRUE(WaitUntil([this] {
    return f.app->IsPipelineIdle() &&
           Count(Rows(), AfxString(IDS_BATCH_ACTION), AfxString(IDS_BATCH_HALTED).left(4)) > 0;
  }));
  QTest::qWait(100);  // nothing more happens by itself
  EXPECT_EQ(f.app->m_bBatch, 1);
  const int left = static_cast<int>(f.app->m_batchFiles.size());
  EXPECT_EQ(left + f.app->m_batchTally.files, 6);
  EXPECT_GE(left, 3);
  EXPECT_EQ(Count(Rows(), AfxString(IDS_BATCH_ACTION), AfxFormatString(IDS_BATCH_HALTED, left)), 1);
  // The synthesis itself failed (not its start): its end report says so.
  EXPECT_EQ(Count(Rows(), AfxString(61225), AfxFormatString(61230, 25u)), 1);

  // A cancelled folder choice resumes the queue where it stopped.
  ShiftOpen(false);
  ASSERT_TRUE(WaitForBatchEnd());
  EXPECT_TRUE(f.app->m_batchFiles.isEmpty());
  const std::vector<Row> rows = Rows();
  EXPECT_EQ(Count(rows, AfxString(IDS_BATCH_ACTION),
                  AfxFormatString(IDS_BATCH_FILE, 6, 6, "sub/empty.txt")),
            1);
  EXPECT_EQ(rows.back().action, AfxString(IDS_BATCH_ACTION));
  EXPECT_EQ(f.app->m_batchTally.failures, 3);  // the failed text and the two skipped files
}

TEST_F(BatchGui, TheUsersStopEndsTheBatch) {
  Start("fetchdelay 300\n");
  ShiftOpen(true);
  ASSERT_TRUE(
      WaitUntil([this] { return f.app->m_batchTally.files == 2 && !f.app->IsPipelineIdle(); }));
  ASSERT_TRUE(frame->OnCommand(ID_SYNTH_STOP, false));
  QTest::qWait(200);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.app->m_bBatch, 0);
  EXPECT_TRUE(f.app->m_batchFiles.isEmpty());
  EXPECT_TRUE(f.app->IsPipelineIdle());
  const std::vector<Row> rows = Rows();
  EXPECT_EQ(Count(rows, AfxString(IDS_BATCH_ACTION), AfxFormatString(IDS_BATCH_USER_STOP, 4)), 1);
  EXPECT_EQ(
      Count(rows, AfxString(IDS_BATCH_ACTION), AfxFormatString(IDS_BATCH_FILE, 3, 6, "5.txt")), 0);
}

}  // namespace
