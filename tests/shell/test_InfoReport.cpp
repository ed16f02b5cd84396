// Information reports travel as queued events to the registered receiver,
// in posting order, and are dropped without one.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <QString>
#include <thread>
#include <vector>

#include "framework/QueuedEvent.h"
#include "shell/InfoReport.h"

namespace {

class CCollector : public QObject {
 public:
  std::vector<InfoRecord> records;
  int clears = 0;

 protected:
  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() == WM_INFO_ADD) {
      records.push_back(static_cast<CInfoEvent*>(e)->Record());
      return true;
    }
    if (e->type() == WM_INFO_CLEAR) {
      ++clears;
      records.clear();
      return true;
    }
    return QObject::event(e);
  }
};

struct ReceiverScope {
  explicit ReceiverScope(QObject* r) { SetInfoReceiver(r); }
  ~ReceiverScope() { SetInfoReceiver(nullptr); }
};

TEST(InfoReport, DroppedWithoutReceiver) {
  CCollector c;
  PostInfo(0, L"Synth", L"nobody listens %d", 1);
  ClearInfo();
  {
    ReceiverScope scope(&c);
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(c.records.empty());
  EXPECT_EQ(c.clears, 0);
}

TEST(InfoReport, FormatsDetailsAndKeepsResultSign) {
  CCollector c;
  ReceiverScope scope(&c);
  PostInfo(0, L"Audio", L"Set current audio date format as %d.", 4);
  PostInfo(5, QStringLiteral("结束合成"), L"本次合成出错，错误码=0x%08x", 0x1234u);
  PostInfo(-2, L"Fetch", L"%ls", L"100%% sure");
  QCoreApplication::processEvents();
  ASSERT_EQ(c.records.size(), 3u);
  EXPECT_EQ(c.records[0].result, 0);
  EXPECT_EQ(c.records[0].action, "Audio");
  EXPECT_EQ(c.records[0].details, "Set current audio date format as 4.");
  EXPECT_EQ(c.records[1].action, QStringLiteral("结束合成"));
  EXPECT_EQ(c.records[1].details, QStringLiteral("本次合成出错，错误码=0x00001234"));
  // An argument is not a format: its "%%" stays as it is.
  EXPECT_EQ(c.records[2].details, "100%% sure");
  EXPECT_EQ(InfoResultText(c.records[0].result), "OK");
  EXPECT_EQ(InfoResultText(c.records[1].result), "Failed 5");
  EXPECT_EQ(InfoResultText(c.records[2].result), "Warning -2");
}

TEST(InfoReport, EscapedTextSurvivesAsFormat) {
  CCollector c;
  ReceiverScope scope(&c);
  QString text = QStringLiteral("50% off, %s %d %n");
  std::wstring format = ToWide(InfoEscape(text));
  PostInfo(0, L"Synth", format.c_str());
  QCoreApplication::processEvents();
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0].details, text);
}

TEST(InfoReport, OverlongDetailsAreCutNotOverrun) {
  CCollector c;
  ReceiverScope scope(&c);
  std::wstring longText(10000, L'x');
  PostInfo(0, L"Synth", L"%ls", longText.c_str());
  QCoreApplication::processEvents();
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0].details.size(), kInfoDetailsMax - 1);
}

TEST(InfoReport, WorkerReportsFollowEarlierReportsInPostingOrder) {
  CCollector c;
  ReceiverScope scope(&c);
  ClearInfo();
  PostInfo(0, L"Voice", L"ui %d", 1);
  std::thread worker([] {
    for (int i = 0; i < 200; ++i) PostInfo(0, L"Fetch", L"worker %d", i);
  });
  worker.join();
  PostInfo(0, L"Voice", L"ui %d", 2);
  QCoreApplication::processEvents();
  ASSERT_EQ(c.records.size(), 202u);
  EXPECT_EQ(c.clears, 1);
  EXPECT_EQ(c.records.front().details, "ui 1");
  for (int i = 0; i < 200; ++i) EXPECT_EQ(c.records[1 + i].details, QString("worker %1").arg(i));
  EXPECT_EQ(c.records.back().details, "ui 2");
}

TEST(InfoReport, ClearIsOrderedWithReports) {
  CCollector c;
  ReceiverScope scope(&c);
  PostInfo(0, L"Synth", L"old");
  ClearInfo();
  PostInfo(0, L"Synth", L"new");
  QCoreApplication::processEvents();
  ASSERT_EQ(c.records.size(), 1u);
  EXPECT_EQ(c.records[0].details, "new");
}

}  // namespace
