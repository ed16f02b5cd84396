// How far the highlight lags behind the voice: a 2,000-word English text is
// played through the real document and view (offscreen) on a clock-paced
// sound card (ALSA "null", which the wave output paces by the clock), and for
// every block heard the time from its done report (the moment the block's
// audio has been heard: the document posts the selection there) to the
// selection made in the view is taken. Prints the median, the 95th
// percentile and the largest lag, and how long the play took.
//
// The speech rate is set to the engine's fastest, so the 2,000 words play in
// a few minutes; the lag does not depend on the rate. Run it alone.
//
//   bench_highlight [WORDS]     (default 2000)
#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "document/TTSDemoDoc.h"
#include "document/TTSDemoView.h"
#include "document/TextCodePage.h"
#include "engine/TtsAdapter.h"
#include "framework/FrameWnd.h"
#include "framework/MessageBox.h"
#include "platform/Settings.h"
#include "resources/ResourceIds.h"
#include "shell/TTSDemoApp.h"

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

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

int main(int argc, char** argv) {
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
  SetSettingsDefaults(QStringLiteral(VUDEZE_BIN_DIR) + "/vudeze-defaults.conf");
  SetMessageBoxHook([](const QString& text, uint32_t) {
    std::fprintf(stderr, "message: %s\n", qPrintable(text));
    return IDOK;
  });
  CTTSDemoApp app;
  app.m_bManageConsole = false;
  app.m_arguments = {};
  if (!app.InitInstance() || !TheAdapter().HasInstance()) {
    std::fprintf(stderr, "bench_highlight: the program or the bundled engine did not start\n");
    return 1;
  }
  CFrameWnd* frame = app.m_pMainWnd;
  auto* doc = dynamic_cast<CTTSDemoDoc*>(frame->GetActiveDocument());
  CTTSDemoView* view = doc->GetView();
  TheAdapter().SetEngineParam(TTS_PARAM_VOICE, kEnglishUsFemale);
  TheAdapter().SetEngineParam(TTS_PARAM_RATE, static_cast<uint32_t>(kFastestRate));
  SetTextCodePage(65001);
  view->SetText(Words(words));
  view->moveCursor(QTextCursor::End);  // the whole text

  std::vector<double> lagMs;
  QObject::connect(view, &CTTSDemoView::HighlightShown, view,
                   [&](int, int, qint64 postedAt) { lagMs.push_back((NowNs() - postedAt) / 1e6); });
  const auto start = std::chrono::steady_clock::now();
  if (!frame->OnCommand(ID_SYNTH_PLAY, false)) {
    std::fprintf(stderr, "bench_highlight: play did not start\n");
    return 1;
  }
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (app.IsPipelineIdle()) loop.quit();
  });
  poll.start(50);
  loop.exec();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::printf("words                           %d\n", words);
  std::printf("play took                       %.1f s\n", seconds);
  std::printf("highlights made                 %zu\n", lagMs.size());
  std::printf("lag, heard -> selected, p50     %.2f ms\n", Percentile(lagMs, 0.50));
  std::printf("lag, heard -> selected, p95     %.2f ms\n", Percentile(lagMs, 0.95));
  std::printf("lag, heard -> selected, max     %.2f ms\n", Percentile(lagMs, 1.0));
  app.ExitInstance();
  return 0;
}
