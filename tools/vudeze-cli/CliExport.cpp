// `vudeze-cli export`: synthesises a text file into an audio file the way the
// program's export command does -- the text read in its code page (UCS-2 by
// signature unless one is given), the engine told that code page, the speech
// source and the speech file sink driven by the pipeline core, and the end
// of the synthesis reported once the pipeline has stopped by itself.
//
// --timings FILE writes the word timings of a successful export beside it:
// SubRip subtitles for a name ending in ".srt", else JSON (see
// engine/SpeechTimings.h); also when the audio is discarded (-o "").
// --plot FILE.png draws the export's waveform, spectrogram and words
// (CliPlot.h), --plot-width PIXELS wide (1200 by default).
//
// The file is written under a temporary name beside the target and moved
// over it only when the export succeeded; a failed or stopped export leaves
// an older file of that name as it was. A FIFO or device is written in
// place; only raw formats can be finished there (a WAVE header cannot be
// rewritten, which fails the export).
//
// "-o -" writes the audio to standard output as it is made, and the reports
// to stderr. Only the raw formats (G.721/G.723, VOX) can go there: a WAVE
// format is refused with exit code 2 before anything is synthesised. The
// text file "-" is standard input, read to its end first. A terminal as
// standard output is refused, as is the WAVE format.
//
// Threads: the command runs on the main thread and spins its event loop while
// the pipeline's worker synthesises. The event sink's OnStop arrives on the
// worker; it only posts the stop step to the main thread, which stops the
// core, frees the endpoint parameters, writes the end report and then leaves
// the event loop behind the report, so every report is printed before exit.
#include <unistd.h>

#include <QFileInfo>
#include <cstdio>
#include <memory>

#include "engine/AudioTtsOutput.h"
#include "engine/SpeechTimings.h"
#include "engine/TtsAdapter.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliPlot.h"
#include "tools/vudeze-cli/CliStdout.h"
#include "tools/vudeze-cli/CliSynth.h"

namespace {

// One export: the speech file sink (or standard output) behind the shared
// synthesis run.
class CExportRun : public CCliSynthRun {
 public:
  CExportRun() : m_file(this), m_stdout(this) {}

  int Run(const QByteArray& text, const QString& output) {
    m_bStdout = IsStdStream(output);
    if (m_bStdout) return CCliSynthRun::Run(text, &m_stdout, &m_stdout);
    if (!output.isEmpty())
      m_file.SetParam(output.utf16(), static_cast<uint32_t>(output.size() * sizeof(char16_t)));
    return CCliSynthRun::Run(text, &m_file, &m_file);
  }
  const CAudioTtsInput& Source() const { return m_source; }
  // The picture's feed, when --plot asked for one.
  void SetPlot(CCliPlot* plot) { m_pPlot = plot; }
  void OnInputData(int32_t block) override {
    if (m_pPlot != nullptr) m_pPlot->Feed().OnBlockRead(m_source, block);
  }

 protected:
  QString SinkAction() const override {
    return m_bStdout ? QStringLiteral("Writing to standard output") : CCliSynthRun::SinkAction();
  }

 private:
  CCliPlot* m_pPlot = nullptr;
  CCliSink<CAudioTtsOutput> m_file;
  CCliSink<CStdoutAudioOutput> m_stdout;
  bool m_bStdout = false;
};

int RunExport(const CliOptions& options) {
  if (options.positional.size() != 1 || !options.hasOutput) {
    PrintCommandUsage(options);
    return kCliExitUsage;
  }
  const bool toStdout = IsStdStream(options.output);
  // Before any report is printed: standard output carries the audio.
  if (toStdout) PrintReportsToStderr();
  // Audio bytes would only garble a terminal, as compressors refuse too.
  if (toStdout && ::isatty(STDOUT_FILENO)) {
    std::fprintf(stderr, "%s\n",
                 "standard output is a terminal: -o - needs a pipe or a file to write the audio "
                 "to");
    return kCliExitUsage;
  }
  if (!toStdout && !options.output.isEmpty() && QFileInfo(options.output).isDir()) {
    std::fprintf(stderr, "%s\n",
                 QStringLiteral("%1 is a folder: -o needs the name of a file")
                     .arg(options.output)
                     .toLocal8Bit()
                     .constData());
    return kCliExitFailed;
  }
  if (QFileInfo(options.plot).isDir()) {
    std::fprintf(stderr, "%s\n",
                 QStringLiteral("%1 is a folder: --plot needs the name of a file")
                     .arg(options.plot)
                     .toLocal8Bit()
                     .constData());
    return kCliExitFailed;
  }
  if (QFileInfo(options.timings).isDir()) {
    std::fprintf(stderr, "%s\n",
                 QStringLiteral("%1 is a folder: --timings needs the name of a file")
                     .arg(options.timings)
                     .toLocal8Bit()
                     .constData());
    return kCliExitFailed;
  }
  // Declared first, so that the engine is released after the pipeline ended.
  CliSynthSetup setup;
  if (int r = PrepareSynthesis(options, &setup); r != kCliExitOk) return r;
  if (toStdout) {
    uint32_t format = 0;
    const uint32_t r = TheAdapter().GetEngineParam(TTS_PARAM_AUDIODATAFMT, &format);
    if (r != 0) {
      PrintFailure(QStringLiteral("Reading TTS_PARAM_AUDIODATAFMT"), r);
      return kCliExitFailed;
    }
    if (!StreamsToStdout(format)) {
      std::fprintf(stderr, "%s\n",
                   QStringLiteral("-o - writes headerless audio only, and format %1 is a WAVE "
                                  "file whose header is completed at the end: choose a raw "
                                  "format (g721-8k, g721-6k, g723-3bit, g723-5bit, vox-6k, "
                                  "vox-8k) or name a file")
                       .arg(format)
                       .toLocal8Bit()
                       .constData());
      return kCliExitUsage;
    }
  }
  // Created only when it is needed: the core starts a worker thread.
  auto run = std::make_unique<CExportRun>();
  std::unique_ptr<CCliPlot> plot;
  if (!options.plot.isEmpty()) {
    plot = std::make_unique<CCliPlot>();
    plot->Begin(setup.text, setup.codePage);
    run->SetPlot(plot.get());
  }
  const int code = run->Run(setup.text, options.output);
  if (code != kCliExitOk) return code;
  if (!options.timings.isEmpty()) {
    const uint32_t r = WriteSpeechTimings(options.timings, setup.text, setup.codePage,
                                          run->Source().Format(), run->Source().Pieces());
    if (r != 0) {
      PrintFailure(QStringLiteral("Writing the word timings to %1").arg(options.timings), r);
      return kCliExitFailed;
    }
  }
  if (plot)
    return plot->Write(options.plot,
                       options.plotWidth > 0 ? int(options.plotWidth) : kPlotDefaultWidth);
  return kCliExitOk;
}

const CliCommand s_exportCommand(
    "export", "TEXTFILE",
    "Synthesise a text file into an audio file, as the program's export command does.\n"
    "TEXTFILE is read in its code page (see --codepage); \"-\" reads standard input. The "
    "file is replaced only when the export succeeded.",
    {{"s"},
     {"server"},
     {"engine"},
     {"voice"},
     {"format"},
     {"codepage"},
     {"timings"},
     {"plot"},
     {"plot-width"},
     {"o", "OUT",
      "the audio file; \"-\" writes headerless audio (G.721/G.723, VOX) to standard output "
      "and the reports to stderr; \"\" synthesises and discards the audio",
      true}},
    &RunExport);

}  // namespace
