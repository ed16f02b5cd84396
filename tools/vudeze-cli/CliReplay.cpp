// `vudeze-cli replay`: reads a synthesis effect log (the program's Synth.log,
// in the system code page) and synthesises each logged sentence again with
// the engine and voice of now, so that a tester hears whether a new engine
// version fixed what was logged.
//
// Each record gives one audio file in DIR (-o; the current folder without
// it) named after the record's line number in the log, "12.wav": the
// engine's current format (or --format), named with the export dialog's
// extension for that format (.wav, .au, .g21, .g23, .vox; .raw for a code the
// program does not list). After each record's reports one line "Replay"
// names the line, the file and the sentence (as logged, one line). A line that is neither a record
// nor part of a header is reported and skipped. The last line sums up; the
// exit code is 1 when a record failed or the file held no record at all.
//
// Threads: the main thread, which spins its event loop during each run.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "audio/ExportFormats.h"
#include "document/SynthLog.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/AudioTtsOutput.h"
#include "engine/TtsAdapter.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "shell/InfoReport.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliSynth.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The export dialog's extension for an audio-format code.
QString ReplayExtension(uint32_t code) {
  for (int row = 0; row < kExportFormatCount; ++row) {
    const ExportFormatRow& r = ExportFormatRowAt(row);
    if (r.code != code) continue;
    switch (r.fileType) {
      case 0:
        return QStringLiteral("wav");
      case 1:
        return QStringLiteral("au");
      case 2:
        return code >= 19 ? QStringLiteral("g23") : QStringLiteral("g21");
      default:
        return QStringLiteral("vox");
    }
  }
  return QStringLiteral("raw");
}

// One sentence into one file: the speech file sink behind the shared run.
class CReplayRun : public CCliSynthRun {
 public:
  CReplayRun() : m_sink(this) {}
  int Run(const QByteArray& text, const QString& output) {
    m_sink.SetParam(output.utf16(), static_cast<uint32_t>(output.size() * sizeof(char16_t)));
    return CCliSynthRun::Run(text, &m_sink, &m_sink);
  }

 private:
  CCliSink<CAudioTtsOutput> m_sink;
};

std::wstring Wide(const QString& text) {
  return text.toStdWString();
}

int RunReplay(const CliOptions& options) {
  if (options.positional.size() != 1) {
    PrintCommandUsage(options);
    return kCliExitUsage;
  }
  auto fits = [](int64_t v) { return v == -1 || (v >= 0 && v <= 0xFFFFFFFFll); };
  if (!fits(options.voice) || !fits(options.format)) {
    PrintError(QStringLiteral("--voice and --format take numbers from 0 to 4294967295"));
    return kCliExitUsage;
  }
  const QString logPath = options.positional.front();
  if (QFileInfo(logPath).isDir()) {
    PrintError(QStringLiteral("%1 is a folder, not an effect log").arg(logPath));
    return kCliExitFailed;
  }
  QFile log(logPath);
  const bool opened = IsStdStream(logPath) ? log.open(STDIN_FILENO, QIODevice::ReadOnly,
                                                      QFileDevice::DontCloseHandle)
                                           : log.open(QIODevice::ReadOnly);
  if (!opened) {
    PrintFailure(logPath, QFileInfo::exists(logPath) ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
    return kCliExitFailed;
  }
  const QString dirPath =
      options.hasOutput && !options.output.isEmpty() ? options.output : QStringLiteral(".");
  if (!QDir().mkpath(dirPath) || !QFileInfo(dirPath).isDir()) {
    PrintError(
        QStringLiteral("%1 is not a folder that audio files can be written to").arg(dirPath));
    return kCliExitFailed;
  }
  const QDir dir(dirPath);

  // Released after every run has ended.
  CliSynthSetup setup;
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "vudeze-cli";
    static char* argv[] = {name, nullptr};
    setup.ownApp = std::make_unique<QCoreApplication>(argc, argv);
  }
  setup.engineUp = true;
  QString step;
  uint32_t r = BringUpEngine(options, &step);
  if (r != 0) {
    PrintFailure(step, r);
    return kCliExitFailed;
  }
  // The log is in the system code page; so is the text the engine gets.
  const uint32_t cp = GetACP();
  SetTextCodePage(cp);
  if (ApplyEngineOptions(options, cp) != kCliExitOk) return kCliExitFailed;
  CTtsAdapter& adapter = TheAdapter();
  uint32_t format = 0;
  if (adapter.GetEngineParam(TTS_PARAM_AUDIODATAFMT, &format) != 0)
    format = options.format != -1 ? static_cast<uint32_t>(options.format) : 0;
  const QString extension = ReplayExtension(format);

  int records = 0, failed = 0, skipped = 0, lineNo = 0;
  CSynthLogReader reader;
  while (!log.atEnd()) {
    QByteArray line = log.readLine();
    ++lineNo;
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    QByteArray bytes;
    const SynthLogLineKind kind = reader.Classify(line, &bytes);
    if (kind == SynthLogLineKind::kMalformed) {
      ++skipped;
      PostInfo(static_cast<int32_t>(ERROR_INVALID_DATA), L"Replay",
               L"line %d: not a record of an effect log; skipped", lineNo);
      continue;
    }
    if (kind != SynthLogLineKind::kRecord) continue;
    ++records;
    const QString marked = MultiByteToWide(cp, bytes);
    const QString sentence = UnmarkLineBreaks(marked);
    const QString file = dir.filePath(QStringLiteral("%1.%2").arg(lineNo).arg(extension));
    auto run = std::make_unique<CReplayRun>();
    const int exit = run->Run(SpeechTextBytes(sentence, cp), file);
    if (exit >= 128) return exit;  // stopped by a signal: the rest is not wanted either
    uint32_t result = run->Core().lastResult.load();
    if (result == 0) result = run->sinkFailure.load();
    if (exit != kCliExitOk && result == 0) result = ERROR_WRITE_FAULT;
    if (result != 0) ++failed;
    // One line: the sentence as the log has it, its breaks still marked.
    PostInfo(static_cast<int32_t>(result), L"Replay", L"line %d: %ls: %ls", lineNo,
             Wide(QDir::toNativeSeparators(file)).c_str(), Wide(marked).c_str());
  }
  if (log.error() != QFileDevice::NoError) {
    PrintFailure(logPath, ERROR_READ_FAULT);
    return kCliExitFailed;
  }
  const bool ok = failed == 0 && (records > 0 || skipped == 0);
  PostInfo(ok ? 0 : 1, L"Replay", L"%d records replayed, %d failed, %d lines skipped", records,
           failed, skipped);
  return ok ? kCliExitOk : kCliExitFailed;
}

const CliCommand s_replayCommand(
    "replay", "LOGFILE",
    "Synthesise each sentence of a synthesis effect log (the program's Synth.log) again with "
    "the engine and voice of now.\nEach record gives one audio file named after its line "
    "number (\"12.wav\"); LOGFILE \"-\" reads standard input.",
    {{"s"},
     {"server"},
     {"engine"},
     {"voice"},
     {"format"},
     {"o", "DIR", "the folder for the audio files (the current folder without it)"}},
    &RunReplay);

}  // namespace
