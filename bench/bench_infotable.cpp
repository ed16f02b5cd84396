// Cost of the information table under a long synthesis's stream of reports,
// on the offscreen platform: a small program that prints its figures.
//
// Each round posts N reports (default 500,000; the first argument changes
// it) through PostInfo in bursts of 1,000, turning the event loop after each
// burst as the user-interface thread would, until every row is in the table
// (inserted, scrolled to, painted). The mix: 70% one-line "Fetch" reports,
// 20% three-line "Synth" reports, 10% failures. The same reports are then
// posted to a receiver that only counts them, so the table's cost shows as a
// ratio to the bare cost of posting and delivering. Three rounds of each,
// alternating; the median is printed.
//
// Memory: the growth of the resident set over the first table round divided
// by the rows (everything the rows cost, the view's per-row data included),
// and the model's own bytes per row.
//
// Scrolling: with every row in, the view jumps to 1,000 places spread over
// the table, pages through 1,000 consecutive pages and back to the end,
// painting at each stop.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "framework/QueuedEvent.h"
#include "shell/InfoReport.h"
#include "shell/InfoTable.h"
#include "shell/InfoTableModel.h"
#include "shell/OutputBar.h"

namespace {

constexpr int kBurst = 1000;

class CCounter : public QObject {
 public:
  long count = 0;

 protected:
  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() == WM_INFO_ADD) {
      ++count;
      return true;
    }
    return QObject::event(e);
  }
};

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

// Posts report i of the mix; returns the rows it makes.
int PostReport(int i) {
  const int kind = i % 10;
  if (kind < 7) {
    PostInfo(0, L"Fetch", L"Text %d-%d, %d bytes of audio.", i * 12, i * 12 + 11, 3200 + i % 512);
    return 1;
  }
  if (kind < 9) {
    PostInfo(0, L"Synth", L"Synthesised block %d\nText position %d\nAudio bytes %d", i, i * 12,
             i % 4096);
    return 3;
  }
  PostInfo(0x8004 + i % 3, L"Synth", L"TTSSynthText failed on block %d", i);
  return 1;
}

// Posts n reports in bursts and turns the event loop until done() holds.
template <typename Done>
double RunRound(int n, Done done) {
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < n;) {
    for (int end = std::min(n, i + kBurst); i < end; ++i) PostReport(i);
    QApplication::processEvents();
  }
  while (!done()) QApplication::processEvents();
  return static_cast<double>(timer.nsecsElapsed());
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const int n = argc > 1 ? std::max(1, std::atoi(argv[1])) : 500000;
  int rows = 0;
  for (int i = 0; i < n; ++i) rows += (i % 10 >= 7 && i % 10 < 9) ? 3 : 1;

  COutputBar bar;
  bar.resize(1000, 150);
  bar.show();
  CInfoTable* table = bar.InfoTable();
  CInfoTableModel* model = table->Model();
  QApplication::processEvents();

  CCounter counter;
  std::vector<double> tableNs, countNs;
  long rssDelta = 0;
  size_t modelBytes = 0;
  double pageNs = 0;
  int pages = 0;
  for (int round = 0; round < 3; ++round) {
    ClearInfo();
    QApplication::processEvents();
    const long before = ResidentBytes();
    tableNs.push_back(RunRound(n, [&] { return model->rowCount() == rows; }));
    if (round == 0) {
      rssDelta = ResidentBytes() - before;
      modelBytes = model->BytesUsed();
      // Jump to the top, then page through the table: 1,000 jumps spread
      // over all rows and 1,000 consecutive pages, painting each page.
      QScrollBar* bar = table->verticalScrollBar();
      const int maximum = bar->maximum();
      QElapsedTimer timer;
      timer.start();
      for (int i = 0; i < 1000; ++i) {
        bar->setValue(static_cast<int>(static_cast<int64_t>(maximum) * i / 999));
        table->viewport()->repaint();
        ++pages;
      }
      for (int i = 0; i < 1000; ++i) {
        bar->setValue(std::min(maximum, i * bar->pageStep()));
        table->viewport()->repaint();
        ++pages;
      }
      table->scrollToBottom();
      table->viewport()->repaint();
      ++pages;
      pageNs = static_cast<double>(timer.nsecsElapsed()) / pages;
    }

    QObject* previous = SetInfoReceiver(&counter);
    counter.count = 0;
    countNs.push_back(RunRound(n, [&] { return counter.count == n; }));
    SetInfoReceiver(previous);
  }

  const double perTable = Median(tableNs) / n;
  const double perCount = Median(countNs) / n;
  std::printf("reports                     %d (%d rows)\n", n, rows);
  std::printf("table: time per report      %.0f ns (rounds %.0f %.0f %.0f ms)\n", perTable,
              tableNs[0] / 1e6, tableNs[1] / 1e6, tableNs[2] / 1e6);
  std::printf("counter: time per report    %.0f ns (rounds %.0f %.0f %.0f ms)\n", perCount,
              countNs[0] / 1e6, countNs[1] / 1e6, countNs[2] / 1e6);
  std::printf("ratio table / counter       %.2f\n", perTable / perCount);
  std::printf("resident set per row        %.1f bytes (%.1f MB for all rows)\n",
              static_cast<double>(rssDelta) / rows, rssDelta / 1048576.0);
  std::printf("model's own bytes per row   %.1f bytes (%.1f MB)\n",
              static_cast<double>(modelBytes) / rows, modelBytes / 1048576.0);
  std::printf("scrolling and painting      %d pages, %.0f us per page\n", pages, pageNs / 1e3);
  return 0;
}
