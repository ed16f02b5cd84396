// What the speech view costs. Run it alone.
//
// 1. A 2,000-word English text is played twice through the real document,
//    view and bars (offscreen, ALSA "null" paced by the clock, the engine's
//    fastest rate): once with the speech view bar hidden, once shown. For
//    each play: the highlight lag (from a block's done report to its
//    selection in the view) at p50 and p95; with the bar shown also the
//    bar's own work on the user-interface thread per frame (its frame tick
//    and paint, summed from one paint to the next) at p50, p95 and the
//    largest.
// 2. The spectrogram of ten minutes of audio: from the first block handed to
//    the recording until the analysis thread has made every column, at
//    16000 and 8000 Hz.
// 3. Peak memory of an hour: in a process of its own, an hour of 16-bit
//    audio at 16000 Hz is fed to a recording block by block, with a piece
//    every 0.4 s, while the analysis thread keeps up; the growth of the
//    peak resident size over the process's size before, against the
//    audio's own 115.2 MB.
//
//   bench_speechview [WORDS]       (default 2000)
//   bench_speechview --memory      (part 3 only; the full run starts it)
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/TtsAdapter.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"
#include "shell/MainFrame.h"
#include "shell/SpeechViewBar.h"
#include "shell/TTSDemoApp.h"
#include "speechview/PlayCursor.h"
#include "speechview/SpeechAnalyzer.h"
#include "speechview/SpeechRecording.h"

namespace {

constexpr uint32_t kEnglishUsFemale = 5;
constexpr int32_t kFastestRate = 500;

QString Words(int count) {
  static const char* const kWords[] = {"the",    "quick",  "brown", "fox",    "jumps",  "over",
                                       "a",      "lazy",   "dog",   "while",  "seven",  "singers",
                                       "listen", "to",     "every", "word",   "spoken", "by",
                                       "our",    "engine", "under", "bright", "blue",   "skies"};
  QString text;
  for (int i = 0; i < count; ++i) {
    text += QString::fromLatin1(kWords[i % (sizeof kWords / sizeof kWords[0])]);
    text += (i % 12 == 11) ? QStringLiteral(".\n") : QStringLiteral(" ");
  }
  return text;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * (v.size() - 1) + 0.5))];
}

// Kilobytes of a line of /proc/self/status ("VmRSS", "VmHWM").
long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key) + 1);
  return -1;
}

// Speech-like test audio: a tone that glides, with noise, in 16-bit samples.
QByteArray TestAudio(uint32_t rate, double seconds, uint32_t seed) {
  const auto n = static_cast<size_t>(rate * seconds);
  QByteArray b(static_cast<qsizetype>(n * 2), '\0');
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, 800);
  for (size_t i = 0; i < n; ++i) {
    const double t = double(i) / rate;
    const double f = 200 + 150 * std::sin(2 * M_PI * 0.3 * t);
    const auto v = static_cast<int16_t>(
        std::clamp(9000 * std::sin(2 * M_PI * f * t) + noise(rng), -32768.0, 32767.0));
    b[static_cast<qsizetype>(2 * i)] = static_cast<char>(v & 0xFF);
    b[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>((v >> 8) & 0xFF);
  }
  return b;
}

void FeedBlocks(CSpeechRecording* r, const QByteArray& audio) {
  for (qsizetype at = 0; at < audio.size(); at += 65536)
    r->AppendAudio(reinterpret_cast<const uint8_t*>(audio.constData()) + at,
                   static_cast<size_t>(std::min<qsizetype>(65536, audio.size() - at)));
}

int RunMemory() {
  const long before = StatusKb("VmRSS:");
  {
    CSpeechRecording recording;
    CSpeechAnalyzer analyzer(&recording);
    analyzer.SetSpectrogramWanted(true);
    QString text;
    for (int i = 0; i < 9000; ++i) text += QStringLiteral("word ");
    const QByteArray bytes = text.toUtf8();
    recording.Begin(bytes, 65001, 0);
    recording.SetFormat(4);
    const QByteArray minute = TestAudio(16000, 60, 1);
    // 0.4 s of audio a piece: 12,800 bytes.
    uint32_t piece = 0;
    for (int m = 0; m < 60; ++m) {
      FeedBlocks(&recording, minute);
      std::vector<SpeechPiece> pieces;
      for (int k = 0; k < 150; ++k, ++piece) pieces.push_back({piece * 5, piece * 5 + 3, 12800});
      recording.AppendPieces(std::move(pieces));
    }
    recording.Finish();
    analyzer.WaitIdle(600000);
    const long peak = StatusKb("VmHWM:");
    const double audioMb = 3600.0 * 32000 / 1e6;
    std::printf("one hour: audio                 %.1f MB\n", audioMb);
    std::printf("one hour: recording's own count %.1f MB\n", recording.MemoryBytes() / 1e6);
    std::printf("one hour: peak resident growth  %.1f MB (%.2f of the audio)\n",
                (peak - before) * 1024 / 1e6, (peak - before) * 1024 / 1e6 / audioMb);
  }
  return 0;
}

void RunSpectrogram(uint32_t rate, int code) {
  const QByteArray audio = TestAudio(rate, 600, 2);
  CSpeechRecording recording;
  CSpeechAnalyzer analyzer(&recording);
  analyzer.SetSpectrogramWanted(true);
  recording.Begin("x", 65001, 0);
  recording.SetFormat(static_cast<uint32_t>(code));
  const auto start = std::chrono::steady_clock::now();
  FeedBlocks(&recording, audio);
  recording.Finish();
  analyzer.WaitIdle(600000);
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  uint64_t columns = 0;
  {
    CSpeechRecording::Reader r(recording);
    columns = r.ColumnsDone() - r.FirstColumn();
  }
  std::printf("spectrogram of 10 min at %5u Hz %.0f ms (%llu columns)\n", rate, ms,
              static_cast<unsigned long long>(columns));
}

struct PlayFigures {
  double seconds = 0;
  std::vector<double> lagMs;
  std::vector<double> frameMs;
};

PlayFigures Play(CTTSDemoApp& app, CMainFrame* frame, CTTSDemoView* view, bool barShown) {
  PlayFigures figures;
  frame->m_wndSpeechViewBar->setVisible(barShown);
  QCoreApplication::processEvents();
  CSpeechViewWnd* wnd = frame->m_wndSpeechViewBar->View();
  double sinceLastPaint = 0;
  wnd->SetWorkMeter([&](int64_t ns) { sinceLastPaint += ns / 1e6; });
  // A frame ends with a paint: what the bar did since the last one counts.
  struct PaintWatch : QObject {
    std::function<void()> painted;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) QTimer::singleShot(0, this, [this] { painted(); });
      return false;
    }
  } watch;
  watch.painted = [&] {
    figures.frameMs.push_back(sinceLastPaint);
    sinceLastPaint = 0;
  };
  wnd->installEventFilter(&watch);
  auto connection =
      QObject::connect(view, &CTTSDemoView::HighlightShown, view, [&](int, int, qint64 postedAt) {
        figures.lagMs.push_back((CPlayCursor::NowNs() - postedAt) / 1e6);
      });
  view->moveCursor(QTextCursor::End);
  const auto start = std::chrono::steady_clock::now();
  if (!frame->OnCommand(ID_SYNTH_PLAY, false)) {
    std::fprintf(stderr, "bench_speechview: play did not start\n");
    std::exit(1);
  }
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (app.IsPipelineIdle()) loop.quit();
  });
  poll.start(50);
  loop.exec();
  figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  QObject::disconnect(connection);
  wnd->removeEventFilter(&watch);
  wnd->SetWorkMeter({});
  return figures;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--memory") == 0) return RunMemory();
  const int words = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  QTemporaryDir home;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::ofstream(home.path().toStdString() + "/asound.conf") << "pcm.!default { type null }\n";
  setenv("ALSA_CONFIG_PATH",
         ("/usr/share/alsa/alsa.conf:" + home.path() + "/asound.conf").toLocal8Bit().constData(),
         1);
  QApplication qapp(argc, argv);

  RunSpectrogram(16000, 4);
  RunSpectrogram(8000, 3);
  SetSettingsDefaults(QStringLiteral(VUDEZE_BIN_DIR) + "/vudeze-defaults.conf");
  SetMessageBoxHook([](const QString& text, uint32_t) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return IDOK;
  });
  CTTSDemoApp app;
  app.m_bManageConsole = false;
  app.m_arguments = {};
  if (!app.InitInstance() || !TheAdapter().HasInstance()) {
    std::fprintf(stderr, "bench_speechview: the program or the bundled engine did not start\n");
    return 1;
  }
  auto* frame = dynamic_cast<CMainFrame*>(app.m_pMainWnd);
  frame->resize(1100, 760);
  auto* doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
  CTTSDemoView* view = doc->GetView();
  TheAdapter().SetEngineParam(TTS_PARAM_VOICE, kEnglishUsFemale);
  TheAdapter().SetEngineParam(TTS_PARAM_RATE, static_cast<uint32_t>(kFastestRate));
  SetTextCodePage(65001);
  view->SetText(Words(words));

  const PlayFigures hidden = Play(app, frame, view, false);
  const PlayFigures shown = Play(app, frame, view, true);
  std::printf("words                           %d\n", words);
  std::printf("play took, bar hidden / shown   %.1f s / %.1f s\n", hidden.seconds, shown.seconds);
  std::printf("highlights, hidden / shown      %zu / %zu\n", hidden.lagMs.size(),
              shown.lagMs.size());
  std::printf("lag p50, hidden / shown         %.3f ms / %.3f ms\n", Percentile(hidden.lagMs, 0.5),
              Percentile(shown.lagMs, 0.5));
  std::printf("lag p95, hidden / shown         %.3f ms / %.3f ms (difference %.3f ms)\n",
              Percentile(hidden.lagMs, 0.95), Percentile(shown.lagMs, 0.95),
              Percentile(shown.lagMs, 0.95) - Percentile(hidden.lagMs, 0.95));
  std::printf("bar frames                      %zu\n", shown.frameMs.size());
  std::printf("bar's work a frame p50/p95/max  %.3f / %.3f / %.3f ms\n",
              Percentile(shown.frameMs, 0.5), Percentile(shown.frameMs, 0.95),
              Percentile(shown.frameMs, 1.0));
  app.ExitInstance();

  // Part 3 in a process of its own, so that its peak is its own.
  std::fflush(stdout);
  const std::string self = std::string(argv[0]) + " --memory";
  return std::system(self.c_str()) == 0 ? 0 : 1;
}
