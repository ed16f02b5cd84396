// Collects the information reports made during a test, on the test thread.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QStringList>
#include <vector>

#include "framework/QueuedEvent.h"
#include "shell/InfoReport.h"

// Receives the reports on the test thread; Take() delivers the pending ones.
class ReportCollector : public QObject {
 public:
  ReportCollector() { m_previous = SetInfoReceiver(this); }
  ~ReportCollector() override { SetInfoReceiver(m_previous); }

  std::vector<InfoRecord> Take() {
    QCoreApplication::sendPostedEvents(this);
    std::vector<InfoRecord> out;
    out.swap(m_records);
    return out;
  }

  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() == WM_INFO_ADD) {
      m_records.push_back(static_cast<CInfoEvent*>(e)->Record());
      return true;
    }
    if (e->type() == WM_INFO_CLEAR) {
      m_records.clear();
      return true;
    }
    return QObject::event(e);
  }

 private:
  QObject* m_previous = nullptr;
  std::vector<InfoRecord> m_records;
};

// The details of the reports with the given action.
inline QStringList DetailsOf(const std::vector<InfoRecord>& records, const QString& action) {
  QStringList out;
  for (const InfoRecord& r : records)
    if (r.action == action) out << r.details;
  return out;
}
