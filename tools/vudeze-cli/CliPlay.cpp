// `vudeze-cli play`: speaks a text file through the sound card the way the
// program's play command does -- the same set-up and pipeline as export, with
// the sound-card sink instead of the file sink. Besides the reports it prints
// one line per block as it is heard, "block N heard" and the text that block
// speaks, and "paused" / "resumed" when --pause-at SECONDS (after the start)
// and --resume-after SECONDS (after the pause) toggle the pipeline's pause.
//
// Threads: the main thread runs the command and prints. The text offsets of a
// block are noted on the worker when the block is filled (OnInputData), and
// taken in order on the sound card's callback thread when a block has been
// heard (OnOutputDone); the line is posted to the main thread, behind the
// reports posted before it.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "audio/AudioWaveOutput.h"
#include "framework/QueuedEvent.h"
#include "platform/CodePage.h"
#include "platform/WaveOut.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliSynth.h"

namespace {

void PrintLine(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The text of bytes [start, end] (end is the last byte of the piece) of the
// speech text, in its code page, on one line. Offsets past the text (audio
// the engine made up) give what remains, possibly nothing.
QString PieceText(const QByteArray& text, uint32_t cp, uint32_t start, uint32_t end) {
  const uint32_t size = static_cast<uint32_t>(text.size());
  if (start >= size || end < start) return QString();
  const uint32_t last = end < size ? end : size - 1;
  QString piece = MultiByteToWide(cp, text.mid(start, last - start + 1));
  for (QChar& c : piece)
    if (c.unicode() < 0x20 || c == QChar(0x2028) || c == QChar(0x2029)) c = QLatin1Char(' ');
  return piece;
}

// A line for the main thread to print. Posted as an event, which the queue
// owns outright from the moment it is posted: the callback thread keeps no
// share of it.
class CLineEvent : public QEvent {
 public:
  explicit CLineEvent(std::string line) : QEvent(Type()), m_line(std::move(line)) {}
  static QEvent::Type Type() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
  }
  const std::string m_line;
};

// Lives on the main thread and prints the lines posted to it, in order.
class CLinePrinter : public QObject {
 public:
  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() != CLineEvent::Type()) return QObject::event(e);
    PrintLine(static_cast<CLineEvent*>(e)->m_line);
    return true;
  }
};

// The sound device's message for its result codes.
QString WaveOutMessage(uint32_t code) {
  switch (code) {
    case MMSYSERR_BADDEVICEID:
      return QStringLiteral("The specified device identifier is out of range.");
    case MMSYSERR_ALLOCATED:
      return QStringLiteral("The specified resource is already allocated.");
    case MMSYSERR_INVALHANDLE:
      return QStringLiteral("The specified device handle is invalid.");
    case MMSYSERR_NODRIVER:
      return QStringLiteral("No device driver is present.");
    case MMSYSERR_NOMEM:
      return QStringLiteral("Unable to allocate or lock memory.");
    case MMSYSERR_INVALFLAG:
      return QStringLiteral("An invalid flag was passed to a system function.");
    case MMSYSERR_INVALPARAM:
      return QStringLiteral("An invalid parameter was passed to a system function.");
    case WAVERR_BADFORMAT:
      return QStringLiteral("The sound device cannot play audio in this format.");
    case WAVERR_STILLPLAYING:
      return QStringLiteral("The sound device is still playing.");
    case WAVERR_UNPREPARED:
      return QStringLiteral("The audio block was not prepared.");
    default:
      return QStringLiteral("The sound device failed.");
  }
}

class CPlayRun : public CCliSynthRun {
 public:
  CPlayRun(const CliOptions& options, QByteArray text, uint32_t cp)
      : m_options(options), m_text(std::move(text)), m_nCodePage(cp), m_sink(this) {}

  int Run() { return CCliSynthRun::Run(m_text, &m_sink, &m_sink); }

  // Worker thread, inside the source's Read: the block's descriptor now
  // describes exactly the block just filled.
  void OnInputData(int32_t block) override {
    const TTSSynthDesc d = m_source.Descriptor(block);
    std::lock_guard<std::mutex> g(m_lock);
    m_filled.push_back({block, d.textStart, d.textEnd});
  }

  // Callback thread. The core follows the open with a done for block 0
  // ("block 0 is current"); that one reports nothing heard.
  void OnOutputOpen() override {
    std::lock_guard<std::mutex> g(m_lock);
    m_nOpenDone = 1;
  }

  // Callback thread: the oldest block still queued has been heard.
  void OnOutputDone(int32_t) override {
    Filled b;
    {
      std::lock_guard<std::mutex> g(m_lock);
      if (m_nOpenDone > 0) {
        --m_nOpenDone;
        return;
      }
      if (m_filled.empty()) return;
      b = m_filled.front();
      m_filled.pop_front();
    }
    std::string line = QStringLiteral("block %1 heard\t%2")
                           .arg(b.block)
                           .arg(PieceText(m_text, m_nCodePage, b.start, b.end))
                           .toStdString();
    PostQueuedEvent(&m_printer, new CLineEvent(std::move(line)));
  }

 protected:
  QString SinkAction() const override { return QStringLiteral("The sound device"); }
  QString SinkMessage(uint32_t code) const override { return WaveOutMessage(code); }

  void Started() override {
    if (m_options.pauseAt < 0) return;
    const int resumeMs = static_cast<int>(m_options.resumeAfter * 1000);
    QTimer::singleShot(static_cast<int>(m_options.pauseAt * 1000), [this, resumeMs] {
      if (m_core.Pause() != 0) return;  // already over
      PrintLine("paused");
      QTimer::singleShot(resumeMs, [this] {
        if (m_core.Pause() == 0) PrintLine("resumed");
      });
    });
  }

 private:
  struct Filled {
    int32_t block = 0;
    uint32_t start = 0;
    uint32_t end = 0;
  };

  const CliOptions& m_options;
  const QByteArray m_text;
  const uint32_t m_nCodePage;
  CLinePrinter m_printer;
  CCliSink<CAudioWaveOutput> m_sink;
  std::mutex m_lock;  // guards the two below between the worker and the callback thread
  std::deque<Filled> m_filled;
  int m_nOpenDone = 0;
};

int RunPlay(const CliOptions& options) {
  const bool pauseAt = options.pauseAt >= 0, resumeAfter = options.resumeAfter >= 0;
  // Seconds beyond a day would overflow the timers; nobody waits that long.
  if (options.positional.size() != 1 || pauseAt != resumeAfter || options.pauseAt > 86400 ||
      options.resumeAfter > 86400) {
    PrintCommandUsage(options);
    return kCliExitUsage;
  }
  // As the program's play command, only with a sound card; the engine is not
  // brought up without one.
  if (!CAudioWaveOutput().IsDeviceAvailable()) {
    std::fprintf(stderr, "%s\n", "打开音频输出设备失败，播放功能将无法使用。");
    return kCliExitFailed;
  }
  CliSynthSetup setup;
  if (int r = PrepareSynthesis(options, &setup); r != kCliExitOk) return r;
  auto run = std::make_unique<CPlayRun>(options, setup.text, setup.codePage);
  return run->Run();
}

const CliCommand s_playCommand(
    "play", "TEXTFILE",
    "Speak a text file through the sound card, as the program's play command does.\n"
    "Besides the reports it prints \"block N heard<TAB>TEXT\" as each block of the ring is "
    "heard, and \"paused\" and \"resumed\". TEXTFILE \"-\" reads standard input. The sound "
    "goes to ALSA's default device, or the one the settings name (WaveDevice).",
    {{"s"},
     {"server"},
     {"engine"},
     {"voice"},
     {"format"},
     {"codepage"},
     {"pause-at"},
     {"resume-after"}},
    &RunPlay);

}  // namespace
