// `vudeze-cli batch`: synthesises every file under a folder, depth first, the
// way the program's batch does (the files collected by CollectBatchFiles,
// each read in its detected code page and exported through the speech
// source, the pipeline core and the speech file sink). The engine is brought
// up once; its voice and format are set once, the input code page for each
// file. Unlike the program's batch, which halts on an error, the front end
// goes on with the next file and counts the failure.
//
// Output: for each file a batch report naming it, then the file's reports,
// its end report and its timing report, as the information table shows
// them; at the end a summary report (files, failures, seconds of audio,
// real-time factor). With -o DIR each file's audio is kept as DIR followed
// by the file's path relative to the folder, its extension replaced by the
// format's (".wav", ".au", ".g21", ".g23", ".vox"); without -o the audio is
// synthesised and dropped. Exit code 0 when every file was synthesised, 1
// when one failed or was skipped, 128 + the signal's number when a signal
// stopped the batch (the file under way is abandoned, the rest not begun).
//
// Threads: the main thread, which spins the event loop during each run (see
// CliSynth.h).
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <cstdio>
#include <memory>

#include "audio/ExportFormats.h"
#include "document/TextCodePage.h"
#include "document/TextFile.h"
#include "engine/AudioTtsOutput.h"
#include "engine/TtsAdapter.h"
#include "framework/ResourceModule.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "resources/ResourceIds.h"
#include "shell/Batch.h"
#include "shell/InfoReport.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliSynth.h"

namespace {

void PrintError(const QString& text) {
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// The file name extension of an engine audio-format code, from the export
// formats' file types; ".wav" for a code the table does not know.
QString AudioSuffix(uint32_t code) {
  for (int i = 0; i < kExportFormatCount; ++i) {
    const ExportFormatRow& row = ExportFormatRowAt(i);
    if (row.code != code) continue;
    const QString patterns = QString::fromLatin1(ExportFileTypeAt(row.fileType).pattern);
    const QStringList list = patterns.split(QLatin1Char(';'));
    // G.723 codes take the type's second pattern.
    const QString pattern = list.size() > 1 && code >= 19 ? list[1] : list[0];
    return pattern.mid(1);
  }
  return QStringLiteral(".wav");
}

// DIR/relative name with the format's extension. A name another file of the
// batch already took ("a.txt" and "a.md") keeps its own extension before
// the format's ("a.md.wav"), so no audio replaces another.
QString OutputPath(const QString& outDir, const QString& relative, const QString& suffix,
                   QSet<QString>* taken) {
  const QFileInfo info(relative);
  const QString folder = info.path() == QLatin1String(".") ? QString() : info.path() + '/';
  const QString base = info.completeBaseName().isEmpty() || info.suffix().isEmpty()
                           ? info.fileName()
                           : info.completeBaseName();
  QString path = QDir(outDir).filePath(folder + base + suffix);
  if (taken->contains(path)) path = QDir(outDir).filePath(folder + info.fileName() + suffix);
  taken->insert(path);
  return path;
}

class CBatchFileRun : public CCliSynthRun {
 public:
  CBatchFileRun() : m_sink(this) {}
  int Run(const QByteArray& text, const QString& output) {
    if (!output.isEmpty())
      m_sink.SetParam(output.utf16(), static_cast<uint32_t>(output.size() * sizeof(char16_t)));
    return CCliSynthRun::Run(text, &m_sink, &m_sink);
  }

 private:
  CCliSink<CAudioTtsOutput> m_sink;
};

// Sets the engine's voice and format once; 0 or the failing code.
uint32_t SetBatchParams(const CliOptions& options) {
  CTtsAdapter& adapter = TheAdapter();
  if (options.voice != -1)
    if (uint32_t r = adapter.SetEngineParam(TTS_PARAM_VOICE, static_cast<uint32_t>(options.voice)))
      return r;
  if (options.format != -1)
    return adapter.SetEngineParam(TTS_PARAM_AUDIODATAFMT, static_cast<uint32_t>(options.format));
  return 0;
}

void PostBatch(int32_t result, const QString& details) {
  PostInfo(result, BatchReportAction(), L"%ls", ToWide(details).c_str());
}

int RunBatch(const CliOptions& options) {
  if (options.positional.size() != 1) {
    PrintCommandUsage(options);
    return kCliExitUsage;
  }
  const auto inRange = [](int64_t v) { return v >= 0 && v <= 0xFFFFFFFFll; };
  if (!inRange(options.codepage) || (options.voice != -1 && !inRange(options.voice)) ||
      (options.format != -1 && !inRange(options.format))) {
    PrintError(
        QStringLiteral("--voice, --format and --codepage take numbers from 0 to 4294967295"));
    return kCliExitUsage;
  }
  const auto codePage = static_cast<uint32_t>(options.codepage);
  if (codePage != 0 && !IsValidCodePage(codePage)) {
    PrintError(
        QStringLiteral("--codepage %1 is not a code page this system can convert").arg(codePage));
    return kCliExitUsage;
  }
  const QString folder = QFileInfo(options.positional.front()).absoluteFilePath();
  if (!QFileInfo(folder).isDir()) {
    PrintError(QStringLiteral("%1 is not a folder").arg(options.positional.front()));
    return kCliExitFailed;
  }
  const QString outDir = options.output;
  if (!outDir.isEmpty() && QFileInfo(outDir).exists() && !QFileInfo(outDir).isDir()) {
    PrintError(QStringLiteral("%1 is not a folder: -o needs a folder for the audio").arg(outDir));
    return kCliExitFailed;
  }

  QStringList files;
  CollectBatchFiles(folder, &files);

  // The engine is released when the setup goes, after the last run.
  CliSynthSetup setup;
  setup.engineUp = true;
  QString step;
  if (uint32_t r = BringUpEngine(options, &step)) {
    PrintFailure(step, r);
    return kCliExitFailed;
  }
  if (uint32_t r = SetBatchParams(options)) {
    PrintFailure(QStringLiteral("Setting the voice and format"), r);
    return kCliExitFailed;
  }
  uint32_t format = 0;
  TheAdapter().GetEngineParam(TTS_PARAM_AUDIODATAFMT, &format);
  const QString suffix = AudioSuffix(format);

  BatchTally tally;
  tally.folder = folder;
  QSet<QString> taken;
  const QDir root(folder);
  for (int i = 0; i < files.size(); ++i) {
    const QString relative = root.relativeFilePath(files[i]);
    ++tally.files;
    PostBatch(0, AfxFormatString(IDS_BATCH_FILE, i + 1, static_cast<int>(files.size()),
                                 relative.toUtf8().constData()));
    QString text;
    uint32_t cp = 0;
    // A FIFO or a device would block the read or never end.
    uint32_t r = QFileInfo::exists(files[i]) && !IsBatchReadable(files[i])
                     ? ERROR_ACCESS_DENIED
                     : LoadTextFile(files[i], codePage, &text, &cp);
    if (r == 0) {
      SetTextCodePage(cp);
      r = TheAdapter().SetEngineParam(TTS_PARAM_INPUTCODEPAGE, InputCodePageOf(cp));
    }
    if (r != 0) {
      PostBatch(static_cast<int32_t>(r),
                AfxFormatString(IDS_BATCH_NOT_OPENED, relative.toUtf8().constData()));
      PrintFailure(files[i], r);
      ++tally.failures;
      continue;
    }
    QString output;
    if (!outDir.isEmpty()) {
      output = OutputPath(outDir, relative, suffix, &taken);
      if (!QDir().mkpath(QFileInfo(output).path())) {
        PrintError(QStringLiteral("Can't create the folder %1").arg(QFileInfo(output).path()));
        ++tally.failures;
        continue;
      }
    }
    // A core (and its worker) per file, as each export has its own.
    auto run = std::make_unique<CBatchFileRun>();
    const int code = run->Run(SpeechTextBytes(text, cp), output);
    tally.AddSynthesis(run->timing, code != kCliExitOk);
    if (code > 128) {
      QCoreApplication::sendPostedEvents();
      PostBatch(0, BatchSummaryDetails(tally));
      return code;
    }
  }
  PostBatch(0, BatchSummaryDetails(tally));
  return tally.failures == 0 ? kCliExitOk : kCliExitFailed;
}

const CliCommand s_batchCommand(
    "batch", "FOLDER",
    "Synthesise every file under a folder, depth first, as the program's batch does, and go "
    "on after a file that fails.\nEach file's reports follow a line that names it; a summary "
    "ends the run. The exit code is 1 when a file failed.",
    {{"s"},
     {"server"},
     {"engine"},
     {"voice"},
     {"format"},
     {"codepage"},
     {"o", "DIR",
      "keep the audio: each file's as DIR/PATH with the format's extension (without -o the "
      "audio is discarded)"}},
    &RunBatch);

}  // namespace
