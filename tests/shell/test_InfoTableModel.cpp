// The information table's rows without a window: result texts and icons,
// continuation rows and their copy text, batched insertion, clearing,
// storage. Saving is tested with the window (test_InfoTable_gui).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "shell/InfoReport.h"
#include "shell/InfoTableModel.h"
#include "tools/vudeze-cli/Cli.h"

namespace {

constexpr QRgb kColours[] = {qRgb(0, 200, 0), qRgb(200, 0, 0), qRgb(230, 180, 0)};

// Three 16x16 squares of distinct colours, each with a pure blue corner.
QImage TestStrip() {
  QImage strip(48, 16, QImage::Format_RGB32);
  for (int i = 0; i < 3; ++i) {
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) strip.setPixel(i * 16 + x, y, kColours[i]);
    strip.setPixel(i * 16, 0, qRgb(0, 0, 255));
  }
  return strip;
}

QString Cell(const CInfoTableModel& m, int row, int column, int role = Qt::DisplayRole) {
  return m.data(m.index(row, column), role).toString();
}

TEST(InfoTableModel, ResultTextsAndIconsFollowTheSign) {
  CInfoTableModel m;
  m.SetStateImages(TestStrip());
  m.Add({0, "Voice", "chosen"});
  m.Add({5, "Synth", "failed"});
  m.Add({-2, "Audio", "warned"});
  m.Flush();
  ASSERT_EQ(m.rowCount(), 3);
  const char* results[] = {"OK", "Failed 5", "Warning -2"};
  const char* actions[] = {"Voice", "Synth", "Audio"};
  for (int row = 0; row < 3; ++row) {
    SCOPED_TRACE(row);
    EXPECT_EQ(Cell(m, row, 0), results[row]);
    EXPECT_EQ(Cell(m, row, 0, Qt::AccessibleTextRole), results[row]);
    EXPECT_EQ(Cell(m, row, 1), actions[row]);
    const QImage icon = m.data(m.index(row, 0), Qt::DecorationRole).value<QImage>();
    ASSERT_EQ(icon.size(), QSize(16, 16));
    EXPECT_EQ(icon.pixel(5, 5), kColours[row]);
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);  // the blue corner is transparent
    EXPECT_FALSE(m.data(m.index(row, 1), Qt::DecorationRole).isValid());
  }
  EXPECT_EQ(m.headerData(0, Qt::Horizontal).toString(), QStringLiteral("结果"));
  EXPECT_EQ(m.headerData(1, Qt::Horizontal).toString(), QStringLiteral("动作"));
  EXPECT_EQ(m.headerData(2, Qt::Horizontal).toString(), QStringLiteral("详细说明"));

  // Without a picture the rows have no icon, and nothing else changes.
  m.SetStateImages(QImage());
  EXPECT_FALSE(m.data(m.index(0, 0), Qt::DecorationRole).isValid());
  EXPECT_EQ(Cell(m, 0, 0), "OK");
}

// Each report's rows, as the table shows them and as the front end prints
// them (both come from one split).
TEST(InfoTableModel, DetailsLinesBecomeContinuationRows) {
  struct Case {
    InfoRecord record;
    QStringList details;
  } cases[] = {
      {{5, "Synth", "first\nsecond\nthird"}, {"first", "second", "third"}},
      {{0, "Voice", "one line"}, {"one line"}},
      {{-2, "Audio", "ends\n"}, {"ends", ""}},
      {{0, "Fetch", ""}, {""}},
      {{0, QStringLiteral("结束合成"), QStringLiteral("\n中文\n")},
       {"", QStringLiteral("中文"), ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record.details.toStdString());
    CInfoTableModel m;
    m.SetStateImages(TestStrip());
    m.Add(c.record);
    m.Flush();
    ASSERT_EQ(m.rowCount(), c.details.size());
    for (int row = 0; row < m.rowCount(); ++row) {
      EXPECT_EQ(Cell(m, row, 2), c.details[row]);
      if (row == 0) continue;
      EXPECT_EQ(Cell(m, row, 0), "");
      EXPECT_EQ(Cell(m, row, 1), "");
      EXPECT_FALSE(m.data(m.index(row, 0), Qt::DecorationRole).isValid());
    }
    QList<int> all;
    for (int row = 0; row < m.rowCount(); ++row) all.append(row);
    EXPECT_EQ(m.RowsText(all), InfoRecordLines(c.record).join('\n') + '\n');
  }
}

TEST(InfoTableModel, QueuedReportsAreInsertedInOneBatch) {
  CInfoTableModel m;
  QSignalSpy inserted(&m, &QAbstractItemModel::rowsInserted);
  for (int i = 0; i < 1000; ++i) m.Add({i % 3 - 1, "Fetch", i % 2 ? "a\nb\nc" : "a"});
  EXPECT_EQ(m.rowCount(), 0);  // nothing shows before the batch
  EXPECT_EQ(m.PendingRows(), 2000);
  QCoreApplication::processEvents();  // the zero timer
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 0);
  EXPECT_EQ(inserted[0][2].toInt(), 1999);
  EXPECT_EQ(m.rowCount(), 2000);

  m.Add({0, "Voice", "next"});
  m.Add({0, "Voice", "after"});
  m.Flush();
  m.Flush();  // nothing queued: no signal
  QCoreApplication::processEvents();
  ASSERT_EQ(inserted.count(), 2);
  EXPECT_EQ(inserted[1][1].toInt(), 2000);
  EXPECT_EQ(inserted[1][2].toInt(), 2001);
  EXPECT_EQ(Cell(m, 2001, 2), "after");
}

TEST(InfoTableModel, ClearDropsInsertedAndQueuedRows) {
  CInfoTableModel m;
  m.Add({0, "Synth", "old"});
  m.Flush();
  m.Add({0, "Synth", "queued"});
  QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
  m.Clear();
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(m.rowCount(), 0);
  EXPECT_EQ(m.PendingRows(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(m.rowCount(), 0);
  m.Add({-1, "Rate", "new"});
  m.Flush();
  ASSERT_EQ(m.rowCount(), 1);
  EXPECT_EQ(m.RowText(0), "Warning -1\tRate\tnew");
}

// Text crosses the model's storage blocks, one-byte and UTF-16 lines mix
// (odd lengths before UTF-16 ones), and a line longer than a block gets one
// of its own; every row keeps its own text.
TEST(InfoTableModel, LongTextsKeepEveryRowIntact) {
  auto line = [](int i) {
    const QString digits = QString::number(i).repeated(60 + i % 7);
    return i % 3 ? digits : QStringLiteral("中文") + digits;
  };
  CInfoTableModel m;
  const QString huge(600000, QChar(0x4e2d));
  for (int i = 0; i < 8000; ++i)
    m.Add({0, i % 2 ? "Synth" : "Fetch", i == 1234 ? huge + "\n" + line(i) : line(i)});
  m.Flush();
  ASSERT_EQ(m.rowCount(), 8001);
  for (int row = 0, i = 0; row < m.rowCount(); ++row, ++i) {
    if (i == 1234) {
      ASSERT_EQ(Cell(m, row, 2), huge);
      ++row;
      ASSERT_EQ(Cell(m, row, 1), "");
    }
    ASSERT_EQ(Cell(m, row, 2), line(i)) << row;
  }
  EXPECT_GT(m.BytesUsed(), size_t{2} * huge.size());
}

}  // namespace
