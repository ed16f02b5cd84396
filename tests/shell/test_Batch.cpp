// The batch's widget-free parts: the files a folder gives, in depth-first
// name order, and the figures of the timing report.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"
#include "shell/Batch.h"
#include "tests/support/TestSupport.h"

namespace {

bool Write(const QDir& root, const QString& name, const QByteArray& data) {
  return root.mkpath(QFileInfo(root.filePath(name)).path()) && WriteAll(root.filePath(name), data);
}

TEST(CollectBatchFiles, DepthFirstInNameOrderWithEveryKindOfEntry) {
  QTemporaryDir dir;
  const QDir root(dir.path());
  for (const char* name : {"b.txt", "a/2.txt", "a/1.txt", "a/z/deep.txt", "c/.hidden", "d.bin"})
    ASSERT_TRUE(Write(root, name, "x"));
  ASSERT_TRUE(root.mkpath("empty"));
  // A link that leads nowhere cannot be opened, yet it is a file of the
  // folder: the batch lists it and skips it when its turn comes.
  ASSERT_TRUE(QFile::link(root.filePath("gone"), root.filePath("a/broken.txt")));
  // A link back to the folder itself must not make the search endless.
  ASSERT_TRUE(QFile::link(root.path(), root.filePath("c/loop")));

  QStringList files = {"queued before"};
  EXPECT_EQ(CollectBatchFiles(root.path(), &files), 7);
  QStringList relative;
  for (const QString& f : files.mid(1)) relative << root.relativeFilePath(f);
  EXPECT_EQ(files.first(), "queued before");
  EXPECT_EQ(relative, (QStringList{"a/1.txt", "a/2.txt", "a/broken.txt", "a/z/deep.txt", "b.txt",
                                   "c/.hidden", "d.bin"}));
  EXPECT_TRUE(IsBatchReadable(root.filePath("a/1.txt")));
  EXPECT_FALSE(IsBatchReadable(root.filePath("a/broken.txt")));

  QStringList none;
  EXPECT_EQ(CollectBatchFiles(root.filePath("empty"), &none), 0);
  EXPECT_EQ(CollectBatchFiles(root.filePath("no such folder"), &none), 0);
  EXPECT_TRUE(none.isEmpty());
}

TEST(SynthTiming, FiguresAndTheirReport) {
  // 1.5 s of 16 kHz 16-bit audio, made in 0.3 s, the first after 40 ms.
  SynthTiming t;
  t.firstAudioUs = 40000;
  t.synthesisUs = 300000;
  t.audioBytes = 48000;
  t.bytesPerSecond = 32000;
  EXPECT_DOUBLE_EQ(t.AudioMs(), 1500.0);
  EXPECT_DOUBLE_EQ(t.RealTimeFactor(), 0.2);
  EXPECT_EQ(TimingReportAction(), AfxString(IDS_TIMING_ACTION));
  EXPECT_EQ(TimingReportDetails(t), AfxFormatString(IDS_TIMING_DETAILS, 40.0, 1500.0, 300.0, 0.2));
  EXPECT_TRUE(TimingReportDetails(t).contains("1500")) << TimingReportDetails(t).toStdString();

  // Without audio there is no first audio and no factor.
  SynthTiming silent;
  silent.synthesisUs = 2500;
  silent.bytesPerSecond = 32000;
  EXPECT_EQ(silent.RealTimeFactor(), 0.0);
  EXPECT_EQ(TimingReportDetails(silent), AfxFormatString(IDS_TIMING_NO_AUDIO, 2.5));

  BatchTally tally;
  tally.files = 3;
  tally.AddSynthesis(t, false);
  tally.AddSynthesis(t, true);
  EXPECT_EQ(tally.failures, 1);
  EXPECT_DOUBLE_EQ(tally.audioMs, 3000.0);
  EXPECT_DOUBLE_EQ(tally.RealTimeFactor(), 0.2);
  EXPECT_EQ(BatchSummaryDetails(tally), AfxFormatString(IDS_BATCH_SUMMARY, 3, 1, 3.0, 0.2));
}

}  // namespace
