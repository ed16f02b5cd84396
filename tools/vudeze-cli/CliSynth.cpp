#include "tools/vudeze-cli/CliSynth.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFileInfo>
#include <QMetaObject>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>

#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "shell/Batch.h"
#include "shell/InfoReport.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool FitsUint32(int64_t value) {
  return value >= 0 && value <= std::numeric_limits<uint32_t>::max();
}

// The signals that stop a run, and the pipe their handler writes to.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t g_signalsSeen = 0;

// Async-signal-safe: notes the signal for the event loop; a second one ends
// the program the signal's own way.
void OnStopSignal(int signo) {
  const int saved = errno;
  g_signalsSeen = g_signalsSeen + 1;
  if (g_signalsSeen > 1) {
    std::signal(signo, SIG_DFL);
    std::raise(signo);
  }
  const unsigned char b = static_cast<unsigned char>(signo);
  if (::write(g_signalPipe[1], &b, 1) < 0) {
    // The pipe is full of earlier signals: this one is known already.
  }
  errno = saved;
}

// While it lives, the stop signals reach onSignal on the main thread through
// the event loop. Main thread.
class CSignalWatch {
 public:
  explicit CSignalWatch(std::function<void(int)> onSignal) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    g_signalsSeen = 0;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onSignal] {
      unsigned char b = 0;
      while (::read(g_signalPipe[0], &b, 1) == 1) onSignal(b);
    });
    struct sigaction action {};
    action.sa_handler = &OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
      sigaction(kStopSignals[i], &action, &m_previous[i]);
  }
  ~CSignalWatch() {
    if (!m_notifier) return;
    for (size_t i = 0; i < std::size(kStopSignals); ++i)
      sigaction(kStopSignals[i], &m_previous[i], nullptr);
    m_notifier.reset();
    for (int& fd : g_signalPipe) {
      ::close(fd);
      fd = -1;
    }
  }
  CSignalWatch(const CSignalWatch&) = delete;
  CSignalWatch& operator=(const CSignalWatch&) = delete;

 private:
  std::unique_ptr<QSocketNotifier> m_notifier;
  struct sigaction m_previous[std::size(kStopSignals)]{};
};

}  // namespace

CliSynthSetup::~CliSynthSetup() {
  if (engineUp) TheAdapter().UnloadModule();
}

int PrepareSynthesis(const CliOptions& options, CliSynthSetup* setup) {
  if (!FitsUint32(options.codepage) || (options.voice != -1 && !FitsUint32(options.voice)) ||
      (options.format != -1 && !FitsUint32(options.format))) {
    PrintError(
        QStringLiteral("--voice, --format and --codepage take numbers from 0 to 4294967295"));
    return kCliExitUsage;
  }

  // The pipeline's end arrives as a posted event: an application object
  // must exist (the front end normally made one already).
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "vudeze-cli";
    static char* argv[] = {name, nullptr};
    setup->ownApp = std::make_unique<QCoreApplication>(argc, argv);
  }

  if (options.codepage != 0 && !IsValidCodePage(static_cast<uint32_t>(options.codepage))) {
    PrintError(QStringLiteral("--codepage %1 is not a code page this system can convert")
                   .arg(options.codepage));
    return kCliExitUsage;
  }
  const QString& textPath = options.positional.front();
  const bool fromStdin = IsStdStream(textPath);
  const QString textName = fromStdin ? QStringLiteral("standard input") : textPath;
  if (!fromStdin && QFileInfo(textPath).isDir()) {
    PrintError(QStringLiteral("%1 is a folder, not a text file").arg(textPath));
    return kCliExitFailed;
  }
  QString text;
  uint32_t cp = 0;
  const auto codePage = static_cast<uint32_t>(options.codepage);
  uint32_t r = 0;
  if (fromStdin) {
    QFile in;
    r = in.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)
            ? LoadOpenTextFile(in, codePage, &text, &cp)
            : ERROR_INVALID_HANDLE;
  } else {
    r = LoadTextFile(textPath, codePage, &text, &cp);
  }
  if (r == kTextFileTooLarge) {
    PrintFailureMessage(textName, r, TextFileTooLargeMessage());
    return kCliExitFailed;
  }
  if (r != 0) {
    PrintFailure(textName, r);
    return kCliExitFailed;
  }

  // From here on the engine is released when the setup goes, whatever way
  // the command leaves.
  setup->engineUp = true;
  QString step;
  r = BringUpEngine(options, &step);
  if (r != 0) {
    PrintFailure(step, r);
    return kCliExitFailed;
  }

  SetTextCodePage(cp);
  setup->codePage = cp;
  setup->text = SpeechTextBytes(text, cp);
  return ApplyEngineOptions(options, cp);
}

int ApplyEngineOptions(const CliOptions& options, uint32_t cp) {
  CTtsAdapter& adapter = TheAdapter();
  struct {
    bool wanted;
    uint32_t id;
    uint32_t value;
    const char* name;
  } const params[] = {
      {true, TTS_PARAM_INPUTCODEPAGE, InputCodePageOf(cp), "TTS_PARAM_INPUTCODEPAGE"},
      {options.voice != -1, TTS_PARAM_VOICE, static_cast<uint32_t>(options.voice),
       "TTS_PARAM_VOICE"},
      {options.format != -1, TTS_PARAM_AUDIODATAFMT, static_cast<uint32_t>(options.format),
       "TTS_PARAM_AUDIODATAFMT"},
  };
  for (const auto& p : params) {
    if (!p.wanted) continue;
    const uint32_t r = adapter.SetEngineParam(p.id, p.value);
    if (r != 0) {
      PrintFailure(QStringLiteral("Setting %1 to %2").arg(QLatin1String(p.name)).arg(p.value), r);
      return kCliExitFailed;
    }
  }
  return kCliExitOk;
}

void CCliSynthRun::FreeParams() {
  m_source.FreeParam();
  if (m_pSinkObject != nullptr) m_pSinkObject->FreeParam();
}

int CCliSynthRun::Run(const QByteArray& text, IAudioOutput* sink, CAudioObject* sinkObject) {
  m_pSinkObject = sinkObject;
  if (!text.isEmpty()) m_source.SetParam(text.constData(), static_cast<uint32_t>(text.size()));

  if (m_core.Create() < 0) {
    FreeParams();
    PrintError(QStringLiteral("Can't create the audio pipeline."));
    return kCliExitFailed;
  }
  // Watched from before the start: a signal during a long start is handled
  // as soon as the event loop runs.
  CSignalWatch watch([this](int signo) { OnSignal(signo); });
  const uint32_t r = m_core.Play(&m_source, sink, this);
  if (r != 0) {
    // The speech source has reported its own failures; a sink that could not
    // open has not, so the code is printed as well.
    FreeParams();
    QCoreApplication::sendPostedEvents();
    if (r == sinkFailure.load())
      PrintFailureMessage(QStringLiteral("Play"), r, SinkMessage(r));
    else
      PrintFailure(QStringLiteral("Play"), r);
    m_core.Destroy();
    return kCliExitFailed;
  }
  Started();
  QCoreApplication::exec();
  m_core.Destroy();
  if (m_nSignal != 0) return 128 + m_nSignal;
  return m_bEnded && m_nResult == 0 ? kCliExitOk : kCliExitFailed;
}

QString CCliSynthRun::SinkMessage(uint32_t code) const {
  return QString::fromUtf8(SystemErrorMessage(code));
}

void CCliSynthRun::OnStop() {
  // Worker thread: never wait for the main thread, only post.
  m_calls.Post([this] { StopStep(); });
}

void CCliSynthRun::OnSignal(int signo) {
  // A play that ended by itself is being finished already: its stop step is
  // on its way.
  if (m_nSignal != 0 || m_bEnded || m_core.m_nState.load() == CAudioCore::kStopped) return;
  m_nSignal = signo;
  cancelled.store(true);
  PrintError(QStringLiteral("Stopped by signal %1 (%2).")
                 .arg(signo)
                 .arg(QString::fromLocal8Bit(strsignal(signo))));
  StopStep(ERROR_OPERATION_ABORTED);
}

void CCliSynthRun::StopStep(uint32_t forced) {
  if (m_core.IsIdle()) return;
  uint32_t last = m_core.lastResult.load();
  m_core.Stop();
  if (forced != 0) last = forced;
  FreeParams();
  m_nResult = last;
  m_bEnded = true;
  if (last == 0)
    PostInfo(0, L"结束合成", L"本次合成正常结束。");
  else
    PostInfo(static_cast<int32_t>(last), L"结束合成", L"本次合成出错，错误码=0x%08x", last);
  // The core's figures are final once it has stopped.
  timing = m_core.Timing();
  PostTimingReport(timing);
  if (last != 0 && forced == 0) {
    if (last == sinkFailure.load())
      PrintFailureMessage(SinkAction(), last, SinkMessage(last));
    else
      PrintFailure(QStringLiteral("Synthesis"), last);
  }
  // Posted behind the report, so the report is printed before the loop ends.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}
