// `vudeze-cli export`: synthesises a text file into an audio file the way the
// program's export command does -- the text read in its code page (UCS-2 by
// signature unless one is given), the engine told that code page, the speech
// source and the speech file sink driven by the pipeline core, and the end
// of the synthesis reported once the pipeline has stopped by itself.
//
// Threads: the command runs on the main thread and spins its event loop while
// the pipeline's worker synthesises. The event sink's OnStop arrives on the
// worker; it only posts the stop step to the main thread, which stops the
// core, frees the endpoint parameters, writes the end report and then leaves
// the event loop behind the report, so every report is printed before exit.
#include <QCoreApplication>
#include <QMetaObject>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>

#include "audio/AudioCore.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/AudioTtsInput.h"
#include "engine/AudioTtsOutput.h"
#include "engine/TtsAdapter.h"
#include "shell/InfoReport.h"
#include "tools/vudeze-cli/Cli.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr char kUsage[] =
    "export [-s LIB] [--server ADDR] [--engine NAME] [--voice N] [--format CODE] "
    "[--codepage CP] -o OUT TEXTFILE";

void PrintError(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool FitsUint32(int64_t value) {
  return value >= 0 && value <= std::numeric_limits<uint32_t>::max();
}

// One export: the endpoints, the core and the event sink that ends the run.
// Lives on the main thread for the length of the command.
class CExportRun : public CAudioSink {
 public:
  // 0 when the synthesis ran and ended with result 0.
  int Run(const QByteArray& text, const QString& output);

  void OnStop() override {
    // Worker thread: never wait for the main thread, only post.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [this] { StopStep(); }, Qt::QueuedConnection);
  }

 private:
  void StopStep();
  void FreeParams() {
    m_source.FreeParam();
    m_sink.FreeParam();
  }

  CAudioCore m_core;
  CAudioTtsInput m_source;
  CAudioTtsOutput m_sink;
  uint32_t m_nResult = 0;
  bool m_bEnded = false;
};

int CExportRun::Run(const QByteArray& text, const QString& output) {
  if (!text.isEmpty()) m_source.SetParam(text.constData(), static_cast<uint32_t>(text.size()));
  if (!output.isEmpty())
    m_sink.SetParam(output.utf16(), static_cast<uint32_t>(output.size() * sizeof(char16_t)));

  if (m_core.Create() < 0) {
    FreeParams();
    PrintError(QStringLiteral("Can't create the audio pipeline."));
    return kExitFailed;
  }
  const uint32_t r = m_core.Play(&m_source, &m_sink, this);
  if (r != 0) {
    // The speech source has reported its own failures; a sink that could not
    // open has not, so the code is printed as well.
    FreeParams();
    QCoreApplication::sendPostedEvents();
    PrintFailure(QStringLiteral("Play"), r);
    m_core.Destroy();
    return kExitFailed;
  }
  QCoreApplication::exec();
  m_core.Destroy();
  return m_bEnded && m_nResult == 0 ? kExitOk : kExitFailed;
}

void CExportRun::StopStep() {
  if (m_core.IsIdle()) return;
  const uint32_t last = m_core.lastResult.load();
  m_core.Stop();
  FreeParams();
  m_nResult = last;
  m_bEnded = true;
  if (last == 0)
    PostInfo(0, L"结束合成", L"本次合成正常结束。");
  else
    PostInfo(static_cast<int32_t>(last), L"结束合成", L"本次合成出错，错误码=0x%08x", last);
  // Posted behind the report, so the report is printed before the loop ends.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}

int RunExport(const CliOptions& options) {
  if (options.positional.size() != 1 || !options.hasOutput) {
    PrintError(QStringLiteral("usage: vudeze-cli %1").arg(QLatin1String(kUsage)));
    return kExitUsage;
  }
  if (!FitsUint32(options.codepage) || (options.voice != -1 && !FitsUint32(options.voice)) ||
      (options.format != -1 && !FitsUint32(options.format))) {
    PrintError(
        QStringLiteral("--voice, --format and --codepage take numbers from 0 to 4294967295"));
    return kExitUsage;
  }

  // The pipeline's end arrives as a posted event: an application object
  // must exist (the front end normally made one already).
  std::unique_ptr<QCoreApplication> ownApp;
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "vudeze-cli";
    static char* argv[] = {name, nullptr};
    ownApp = std::make_unique<QCoreApplication>(argc, argv);
  }

  const QString& textPath = options.positional.front();
  QString text;
  uint32_t cp = 0;
  uint32_t r = LoadTextFile(textPath, static_cast<uint32_t>(options.codepage), &text, &cp);
  if (r != 0) {
    if (r == kTextFileTooLarge)
      PrintError(textPath + QStringLiteral(": ") + TextFileTooLargeMessage());
    PrintFailure(textPath, r);
    return kExitFailed;
  }

  // Shutdown order: the engine is released after the pipeline has ended,
  // whatever way the command leaves.
  struct EngineRelease {
    ~EngineRelease() { TheAdapter().UnloadModule(); }
  } const engineRelease;
  QString step;
  r = BringUpEngine(options, &step);
  if (r != 0) {
    PrintFailure(step, r);
    return kExitFailed;
  }

  SetTextCodePage(cp);
  const QByteArray bytes = SpeechTextBytes(text, cp);
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
    r = adapter.SetEngineParam(p.id, p.value);
    if (r != 0) {
      PrintFailure(QStringLiteral("Setting %1 to %2").arg(QLatin1String(p.name)).arg(p.value), r);
      return kExitFailed;
    }
  }

  // Created only when it is needed: the core starts a worker thread.
  auto run = std::make_unique<CExportRun>();
  return run->Run(bytes, options.output);
}

const CliCommand s_exportCommand("export", kUsage, &RunExport);

}  // namespace
