#include "tools/vudeze-cli/CliSynth.h"

#include <QMetaObject>
#include <cstdio>
#include <limits>

#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/TtsAdapter.h"
#include "shell/InfoReport.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool FitsUint32(int64_t value) {
  return value >= 0 && value <= std::numeric_limits<uint32_t>::max();
}

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

  const QString& textPath = options.positional.front();
  QString text;
  uint32_t cp = 0;
  uint32_t r = LoadTextFile(textPath, static_cast<uint32_t>(options.codepage), &text, &cp);
  if (r != 0) {
    if (r == kTextFileTooLarge)
      PrintError(textPath + QStringLiteral(": ") + TextFileTooLargeMessage());
    PrintFailure(textPath, r);
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
  const uint32_t r = m_core.Play(&m_source, sink, this);
  if (r != 0) {
    // The speech source has reported its own failures; a sink that could not
    // open has not, so the code is printed as well.
    FreeParams();
    QCoreApplication::sendPostedEvents();
    PrintFailure(QStringLiteral("Play"), r);
    m_core.Destroy();
    return kCliExitFailed;
  }
  Started();
  QCoreApplication::exec();
  m_core.Destroy();
  return m_bEnded && m_nResult == 0 ? kCliExitOk : kCliExitFailed;
}

void CCliSynthRun::OnStop() {
  // Worker thread: never wait for the main thread, only post.
  m_calls.Post([this] { StopStep(); });
}

void CCliSynthRun::StopStep() {
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
