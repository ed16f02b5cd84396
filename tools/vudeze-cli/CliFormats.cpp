// `vudeze-cli formats` lists the audio formats of the export dialog's table
// with what --format takes for each (its name or its code), the sample rate
// and bits, the file type the dialog writes it as, and whether it can stream
// to standard output (export -o -). The engine is not loaded: which formats
// an engine accepts is its own answer to --format.
//
// Threads: main thread only.
#include <QString>
#include <cstdio>

#include "audio/ExportFormats.h"
#include "engine/EngineFormats.h"
#include "tools/vudeze-cli/Cli.h"
#include "tools/vudeze-cli/CliStdout.h"

namespace {

QString Cell(const QString& text, int width, bool right = false) {
  return right ? text.rightJustified(width) : text.leftJustified(width);
}

}  // namespace

// One line per format after a header line; the columns are separated by
// blanks, the first is the name.
QString FormatsTable() {
  QString text = QStringLiteral("NAME         CODE   RATE  BITS  FILE  -o -  DIALOG\n");
  for (int row = 0; row < kExportFormatCount; ++row) {
    const ExportFormatRow& r = ExportFormatRowAt(row);
    const EngineFormat f = EngineFormatOf(r.code);
    const bool engineDefault = r.code == 0;
    text += Cell(QString::fromLatin1(r.key), 11) + Cell(QString::number(r.code), 6, true) +
            Cell(engineDefault ? QStringLiteral("-") : QString::number(f.rate), 7, true) +
            Cell(engineDefault ? QStringLiteral("-") : QString::number(f.bits), 6, true) +
            QStringLiteral("  ") +
            Cell(QLatin1Char('.') + ExportExtension(r.fileType, static_cast<int32_t>(r.code)), 6) +
            Cell(engineDefault             ? QStringLiteral("-")
                 : StreamsToStdout(r.code) ? QStringLiteral("yes")
                                           : QStringLiteral("no"),
                 6) +
            QString::fromLatin1(r.name) + QLatin1Char('\n');
  }
  return text;
}

namespace {

int RunFormats(const CliOptions& options) {
  if (!options.positional.isEmpty()) {
    PrintCommandUsage(options);
    return 2;
  }
  const QByteArray bytes = FormatsTable().toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  return 0;
}

const CliCommand s_formatsCommand(
    "formats", "",
    "List the audio formats --format takes: the name and the code, the sample rate and bits, "
    "the file type, whether export -o - can stream it, and the name the export dialog shows.\n"
    "\"default\" is the engine's own format.",
    {}, &RunFormats);

}  // namespace
