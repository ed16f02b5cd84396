#include "tools/vudeze-cli/CliCommandLine.h"

#include <QCommandLineParser>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/ExportFormats.h"
#include "tools/vudeze-cli/CliPlot.h"

namespace {

constexpr int kHelpWidth = 79;
constexpr int kMaxOptionColumn = 30;

bool ParseInteger(const QString& text, int64_t* value) {
  bool ok = false;
  const qlonglong v = text.toLongLong(&ok, 0);
  if (ok) *value = v;
  return ok;
}

bool SetNumber(const char* option, const QString& text, int64_t* target, QString* error) {
  if (ParseInteger(text, target) && *target >= 0) return true;
  *error = QStringLiteral("%1 takes a number, not \"%2\"").arg(QLatin1String(option), text);
  return false;
}

// Seconds beyond a day would overflow the timers; nobody waits that long.
constexpr double kMaxSeconds = 86400;

bool SetSeconds(const char* option, const QString& text, double* target, QString* error) {
  bool ok = false;
  const double v = text.toDouble(&ok);
  if (ok && std::isfinite(v) && v >= 0 && v <= kMaxSeconds) {
    *target = v;
    return true;
  }
  *error = QStringLiteral("%1 takes seconds from 0 to %2, not \"%3\"")
               .arg(QLatin1String(option))
               .arg(kMaxSeconds)
               .arg(text);
  return false;
}

// A format code, or the short name of a row of the export dialog's table.
bool SetFormat(const QString& text, CliOptions* o, QString* error) {
  const int row = ExportFormatRowByKey(text);
  if (row >= 0) {
    o->format = ExportFormatRowAt(row).code;
    return true;
  }
  if (ParseInteger(text, &o->format) && o->format >= 0) return true;
  *error = QStringLiteral(
               "--format takes a code or a format name (vudeze-cli formats lists them), "
               "not \"%1\"")
               .arg(text);
  return false;
}

using ApplyFn = bool (*)(const QString& value, CliOptions* options, QString* error);

// One option of the front end. names: a letter is typed after one dash, a
// word after two; the first name is the one commands refer to and the
// synopsis shows. A switch has no value name. A global option is taken by
// every command, and before the command as well.
struct CliOptionSpec {
  const char* names;  // "s|library"
  const char* valueName;
  const char* help;
  bool global;
  ApplyFn apply;
};

// Every option, in the order the help lists them.
const CliOptionSpec kOptions[] = {
    {"s|library", "LIB",
     "the engine library to load; without it the one vudeze.ini names, else the stored one, "
     "else the bundled engine",
     false,
     [](const QString& v, CliOptions* o, QString*) {
       o->library = v;
       return true;
     }},
    {"server", "ADDR", "list only the engines at this address and select the engine there", false,
     [](const QString& v, CliOptions* o, QString*) {
       o->server = v;
       o->hasServer = true;
       return true;
     }},
    {"engine", "NAME", "the engine to select; without it the stored engine, else the first", false,
     [](const QString& v, CliOptions* o, QString*) {
       o->engine = v;
       return true;
     }},
    {"voice", "N", "the voice, by the identifier that the voices command prints", false,
     [](const QString& v, CliOptions* o, QString* e) {
       return SetNumber("--voice", v, &o->voice, e);
     }},
    {"format", "FORMAT",
     "the audio format: a code or a name that the formats command lists (pcm16k, alaw8k, "
     "g721-8k, vox-6k, ...); without it the engine's current format",
     false, &SetFormat},
    {"codepage", "CP",
     "the code page of the text (a Windows code-page number, 936, 950, 65001, 1200, ...); "
     "without it UCS-2 is detected by its signature, else the system's code page or the one "
     "the bytes are written in",
     false,
     [](const QString& v, CliOptions* o, QString* e) {
       return SetNumber("--codepage", v, &o->codepage, e);
     }},
    {"timings", "FILE.json|FILE.srt",
     "also write the word timings of the export: SubRip subtitles for a name ending in .srt, "
     "else JSON",
     false,
     [](const QString& v, CliOptions* o, QString* e) {
       // Standard output carries the reports, or the audio.
       if (v.isEmpty() || IsStdStream(v)) {
         *e = QStringLiteral("--timings needs the name of a file");
         return false;
       }
       o->timings = v;
       return true;
     }},
    {"plot", "FILE.png",
     "also draw the export's waveform, spectrogram and words into a PNG picture, as the "
     "speech view shows them",
     false,
     [](const QString& v, CliOptions* o, QString* e) {
       if (v.isEmpty() || IsStdStream(v)) {
         *e = QStringLiteral("--plot needs the name of a file");
         return false;
       }
       o->plot = v;
       return true;
     }},
    {"plot-width", "PIXELS", "the width of the --plot picture (1200 pixels by default)", false,
     [](const QString& v, CliOptions* o, QString* e) {
       if (ParseInteger(v, &o->plotWidth) && o->plotWidth >= kPlotMinWidth &&
           o->plotWidth <= kPlotMaxWidth)
         return true;
       *e = QStringLiteral("--plot-width takes pixels from %1 to %2, not \"%3\"")
                .arg(kPlotMinWidth)
                .arg(kPlotMaxWidth)
                .arg(v);
       return false;
     }},
    {"pause-at", "SECONDS", "pause the play this long after its start (with --resume-after)", false,
     [](const QString& v, CliOptions* o, QString* e) {
       return SetSeconds("--pause-at", v, &o->pauseAt, e);
     }},
    {"resume-after", "SECONDS", "resume this long after the pause", false,
     [](const QString& v, CliOptions* o, QString* e) {
       return SetSeconds("--resume-after", v, &o->resumeAfter, e);
     }},
    {"o", "OUT", "where the audio goes", false,
     [](const QString& v, CliOptions* o, QString*) {
       o->output = v;
       o->hasOutput = true;
       return true;
     }},
};

QStringList NamesOf(const CliOptionSpec& spec) {
  return QString::fromLatin1(spec.names).split(QLatin1Char('|'));
}

QString Dashed(const QString& name) {
  return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

// The option of a name, or of the table's whole names text ("s|library").
const CliOptionSpec* FindSpec(const QString& name) {
  for (const CliOptionSpec& spec : kOptions)
    if (name == QLatin1String(spec.names) || NamesOf(spec).contains(name)) return &spec;
  return nullptr;
}

// An option as a command shows it: the table's row with the command's texts.
struct ShownOption {
  const CliOptionSpec* spec;
  QString valueName;
  QString help;
  bool required;
};

std::vector<ShownOption> ShownOptions(const std::vector<CliOptionUse>& uses) {
  std::vector<ShownOption> shown;
  for (const CliOptionUse& use : uses) {
    const CliOptionSpec* spec = FindSpec(QString::fromLatin1(use.name));
    if (spec == nullptr || spec->global) continue;
    shown.push_back({spec,
                     QString::fromLatin1(use.valueName     ? use.valueName
                                         : spec->valueName ? spec->valueName
                                                           : ""),
                     QString::fromUtf8(use.help ? use.help : spec->help), use.required});
  }
  return shown;
}

std::vector<ShownOption> GlobalOptions() {
  std::vector<ShownOption> shown;
  for (const CliOptionSpec& spec : kOptions)
    if (spec.global)
      shown.push_back({&spec, QString::fromLatin1(spec.valueName ? spec.valueName : ""),
                       QString::fromUtf8(spec.help), false});
  return shown;
}

// The registry. A function-local table: commands register from static
// objects of other files, whose construction order is not fixed.
std::vector<CliCommandEntry>& Registry() {
  static std::vector<CliCommandEntry> commands;
  return commands;
}

QStringList SynopsisParts(const QString& name, const std::vector<ShownOption>& options,
                          const QString& arguments) {
  QStringList parts = {name};
  for (const ShownOption& o : options) {
    QString part = Dashed(NamesOf(*o.spec).first());
    if (!o.valueName.isEmpty()) part += QLatin1Char(' ') + o.valueName;
    parts << (o.required ? part : QLatin1Char('[') + part + QLatin1Char(']'));
  }
  if (!arguments.isEmpty()) parts << arguments;
  return parts;
}

// "usage: vudeze-cli NAME PARTS...", continued under the first part.
QString UsageLines(const CliCommandEntry& command) {
  const QString head = QStringLiteral("usage: vudeze-cli ");
  QString text = head + command.usageParts.value(0);
  const int indent = static_cast<int>(text.size()) + 1;
  int column = indent - 1;
  for (qsizetype i = 1; i < command.usageParts.size(); ++i) {
    const QString& part = command.usageParts[i];
    if (column + 1 + part.size() > kHelpWidth) {
      text += QLatin1Char('\n') + QString(indent - 1, QLatin1Char(' '));
      column = indent - 1;
    }
    text += QLatin1Char(' ') + part;
    column += 1 + static_cast<int>(part.size());
  }
  return text + QLatin1Char('\n');
}

// Words of text from column indent on, at most kHelpWidth columns wide;
// explicit line breaks are kept.
QString Wrap(const QString& text, int indent, int firstColumn) {
  QString out;
  int column = firstColumn;
  const QString pad(indent, QLatin1Char(' '));
  const QStringList paragraphs = text.split(QLatin1Char('\n'));
  for (qsizetype p = 0; p < paragraphs.size(); ++p) {
    if (p > 0) {
      out += QLatin1Char('\n') + pad;
      column = indent;
    }
    bool first = true;
    for (const QString& word : paragraphs[p].split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
      if (!first && column + 1 + word.size() > kHelpWidth) {
        out += QLatin1Char('\n') + pad;
        column = indent;
        first = true;
      }
      if (!first) {
        out += QLatin1Char(' ');
        ++column;
      }
      out += word;
      column += static_cast<int>(word.size());
      first = false;
    }
  }
  return out;
}

// "  LEFT   HELP" rows, the help in a column of its own.
QString Table(const QList<QPair<QString, QString>>& rows) {
  int width = 0;
  for (const auto& row : rows)
    if (row.first.size() + 4 <= kMaxOptionColumn)
      width = std::max(width, static_cast<int>(row.first.size()) + 4);
  QString text;
  for (const auto& row : rows) {
    QString line = QStringLiteral("  ") + row.first;
    if (line.size() + 2 > width) {
      text += line + QLatin1Char('\n');
      line = QString(width, QLatin1Char(' '));
    } else {
      line += QString(width - line.size(), QLatin1Char(' '));
    }
    text += line + Wrap(row.second, width, width) + QLatin1Char('\n');
  }
  return text;
}

QString OptionLeft(const ShownOption& o) {
  QStringList names = NamesOf(*o.spec);
  QString left;
  if (names.first().size() == 1)
    left = Dashed(names.takeFirst());
  else
    left = QStringLiteral("    ");
  for (const QString& n : names) {
    if (left.trimmed().isEmpty())
      left += Dashed(n);
    else
      left += QStringLiteral(", ") + Dashed(n);
  }
  if (!o.valueName.isEmpty()) left += QLatin1Char(' ') + o.valueName;
  return left;
}

QList<QPair<QString, QString>> OptionRows(const std::vector<ShownOption>& options) {
  QList<QPair<QString, QString>> rows;
  for (const ShownOption& o : options) rows.append({OptionLeft(o), o.help});
  return rows;
}

const QString kExitStatus = QStringLiteral(
    "Exit status: 0 when the command succeeded, 1 when it failed, 2 for a usage error, 128 + N "
    "when signal N stopped it.");

// The engine library flag of the program: "-s", "-S", "-silent", ... take
// the next argument whole. Rewritten as "--library=VALUE" for the parser;
// false with a message when nothing follows.
bool RewriteLibraryFlag(QStringList* args, QString* error) {
  for (qsizetype i = 0; i < args->size(); ++i) {
    const QString arg = args->at(i);
    if (arg == QLatin1String("--")) return true;
    if (arg.size() < 2 || arg[0] != QLatin1Char('-') || arg[1].toLower() != QLatin1Char('s'))
      continue;
    if (i + 1 >= args->size()) {
      *error = QStringLiteral("%1 needs a value").arg(arg);
      return false;
    }
    (*args)[i] = QStringLiteral("--library=") + args->at(i + 1);
    args->removeAt(i + 1);
  }
  return true;
}

bool IsHelpFlag(const QString& arg) {
  return arg == QLatin1String("-h") || arg == QLatin1String("--help");
}

// Parses args with the given options (and --help); false with *error on a
// bad option or value. *help is set when --help was given.
bool ParseWith(const std::vector<const CliOptionSpec*>& specs, QStringList args,
               CliOptions* options, bool* help, QString* error) {
  *help = false;
  const bool takesLibrary =
      std::find(specs.begin(), specs.end(), FindSpec(QStringLiteral("s"))) != specs.end();
  if (takesLibrary && !RewriteLibraryFlag(&args, error)) {
    *help = std::any_of(args.begin(), args.end(), IsHelpFlag);
    return *help;
  }
  QCommandLineParser parser;
  parser.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  for (const CliOptionSpec* spec : specs) {
    // Qt needs a value name to know that the option takes a value.
    QCommandLineOption option(NamesOf(*spec), QString(),
                              spec->valueName ? QStringLiteral("VALUE") : QString());
    parser.addOption(option);
  }
  // Qt's parser takes the program's name first.
  if (!parser.parse(QStringList{QStringLiteral("vudeze-cli")} + args)) {
    if (std::any_of(args.begin(), args.end(), IsHelpFlag)) return *help = true;
    const QStringList unknown = parser.unknownOptionNames();
    *error = unknown.isEmpty() ? parser.errorText()
                               : QStringLiteral("unknown option %1").arg(Dashed(unknown.first()));
    return false;
  }
  if (parser.isSet(QStringLiteral("help"))) return *help = true;
  for (const CliOptionSpec* spec : specs) {
    const QString name = NamesOf(*spec).first();
    if (!parser.isSet(name)) continue;
    const QStringList values = spec->valueName ? parser.values(name) : QStringList{QString()};
    for (const QString& value : values)
      if (!spec->apply(value, options, error)) return false;
  }
  options->positional = parser.positionalArguments();
  return true;
}

std::vector<const CliOptionSpec*> SpecsOf(const CliCommandEntry& command) {
  std::vector<const CliOptionSpec*> specs;
  for (const CliOptionUse& use : command.options)
    if (const CliOptionSpec* spec = FindSpec(QString::fromLatin1(use.name)))
      if (!spec->global) specs.push_back(spec);
  for (const CliOptionSpec& spec : kOptions)
    if (spec.global) specs.push_back(&spec);
  return specs;
}

}  // namespace

CliCommand::CliCommand(const char* name, const char* arguments, const char* summary,
                       std::vector<CliOptionUse> options, CliCommandFn run) {
  CliCommandEntry entry;
  entry.name = QString::fromUtf8(name);
  entry.arguments = QString::fromUtf8(arguments);
  entry.summary = QString::fromUtf8(summary);
  entry.options = std::move(options);
  entry.usageParts = SynopsisParts(entry.name, ShownOptions(entry.options), entry.arguments);
  entry.usage = entry.usageParts.join(QLatin1Char(' '));
  entry.run = run;
  Registry().push_back(std::move(entry));
}

CliCommand::CliCommand(const char* name, const char* usage, CliCommandFn run) {
  CliCommandEntry entry;
  entry.name = QString::fromUtf8(name);
  entry.usage = QString::fromUtf8(usage);
  entry.usageParts = entry.usage.split(QLatin1Char(' '));
  for (const CliOptionSpec& spec : kOptions)
    if (!spec.global) entry.options.push_back({spec.names});
  entry.run = run;
  Registry().push_back(std::move(entry));
}

std::vector<CliCommandEntry> CliCommands() {
  std::vector<CliCommandEntry> commands = Registry();
  std::sort(commands.begin(), commands.end(),
            [](const CliCommandEntry& a, const CliCommandEntry& b) { return a.name < b.name; });
  return commands;
}

const CliCommandEntry* FindCliCommand(const QString& name) {
  for (const CliCommandEntry& c : Registry())
    if (c.name == name) return &c;
  return nullptr;
}

bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error) {
  std::vector<const CliOptionSpec*> specs;
  for (const CliOptionSpec& spec : kOptions) specs.push_back(&spec);
  bool help = false;
  if (!ParseWith(specs, args, options, &help, error)) return false;
  if (help) {
    *error = QStringLiteral("--help is not an option of a command here");
    return false;
  }
  return true;
}

CliRequest ParseCliCommandLine(const QStringList& args, CliOptions* options) {
  CliRequest request;
  // Global options, --help and --version come before the command; the first
  // argument that is not an option is the command, and the rest are its own.
  QCommandLineParser top;
  top.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
  top.addOption(QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")}));
  top.addOption(QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")}));
  for (const CliOptionSpec& spec : kOptions)
    if (spec.global)
      top.addOption(QCommandLineOption(NamesOf(spec), QString(),
                                       spec.valueName ? QStringLiteral("VALUE") : QString()));
  if (!top.parse(QStringList{QStringLiteral("vudeze-cli")} + args)) {
    const QStringList unknown = top.unknownOptionNames();
    request.error = unknown.isEmpty()
                        ? top.errorText()
                        : QStringLiteral("unknown option %1").arg(Dashed(unknown.first()));
    request.usage = CliUsageText();
    return request;
  }
  if (top.isSet(QStringLiteral("help"))) {
    request.kind = CliRequest::kHelp;
    return request;
  }
  for (const CliOptionSpec& spec : kOptions) {
    const QString name = NamesOf(spec).first();
    if (!spec.global || !top.isSet(name)) continue;
    const QStringList values = spec.valueName ? top.values(name) : QStringList{QString()};
    for (const QString& value : values) {
      if (!spec.apply(value, options, &request.error)) {
        request.usage = CliUsageText();
        return request;
      }
    }
  }
  if (top.isSet(QStringLiteral("version"))) {
    request.kind = CliRequest::kVersion;
    return request;
  }
  QStringList rest = top.positionalArguments();
  if (rest.isEmpty()) {
    request.usage = CliUsageText();
    return request;
  }
  const QString name = rest.takeFirst();
  if (name == QLatin1String("help")) {
    if (rest.size() > 1 || (rest.size() == 1 && FindCliCommand(rest.first()) == nullptr)) {
      request.error = QStringLiteral("help takes the name of a command, not \"%1\"")
                          .arg(rest.join(QLatin1Char(' ')));
      request.usage = CliUsageText();
      return request;
    }
    request.kind = CliRequest::kHelp;
    request.helpTopic = rest.value(0);
    return request;
  }
  const CliCommandEntry* command = FindCliCommand(name);
  if (command == nullptr) {
    request.error = QStringLiteral("unknown command %1").arg(name);
    request.usage = CliUsageText();
    return request;
  }
  options->command = name;
  bool help = false;
  if (!ParseWith(SpecsOf(*command), rest, options, &help, &request.error)) {
    request.usage = CliUsageText(command);
    return request;
  }
  if (help) {
    request.kind = CliRequest::kHelp;
    request.helpTopic = name;
    return request;
  }
  request.kind = CliRequest::kRun;
  request.command = command;
  return request;
}

QString CliUsageText(const CliCommandEntry* command) {
  if (command != nullptr)
    return UsageLines(*command) +
           QStringLiteral("\"vudeze-cli %1 --help\" tells more.\n").arg(command->name);
  QString text = QStringLiteral("usage: vudeze-cli COMMAND [OPTIONS]\ncommands:\n");
  for (const CliCommandEntry& c : CliCommands())
    text += QStringLiteral("  vudeze-cli %1\n").arg(c.usage);
  text += QStringLiteral("\"vudeze-cli --help\" tells more.\n");
  return text;
}

void PrintCommandUsage(const CliOptions& options) {
  const QByteArray text = CliUsageText(FindCliCommand(options.command)).toLocal8Bit();
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stderr);
}

QString CliHelpText(const QString& commandName) {
  const std::vector<ShownOption> globals = GlobalOptions();
  QList<QPair<QString, QString>> globalRows = OptionRows(globals);
  QString text;
  if (commandName.isEmpty()) {
    text +=
        QStringLiteral("usage: vudeze-cli [--help] [--version] COMMAND [OPTIONS] [ARGUMENTS]\n\n");
    text += Wrap(QStringLiteral(
                     "The headless front end of VUDEZE. It goes through the same classes as the "
                     "program and prints what the program's information list would show, one "
                     "report a line: RESULT<TAB>ACTION<TAB>DETAILS."),
                 0, 0) +
            QStringLiteral("\n\nCommands:\n");
    QList<QPair<QString, QString>> rows;
    for (const CliCommandEntry& c : CliCommands())
      rows.append({c.name, c.summary.section(QLatin1Char('\n'), 0, 0)});
    rows.append({QStringLiteral("help"), QStringLiteral("Show the help of a command.")});
    text += Table(rows);
    text += QStringLiteral("\nOptions:\n");
    QList<QPair<QString, QString>> own = {
        {QStringLiteral("-h, --help"), QStringLiteral("show this help and exit")},
        {QStringLiteral("-v, --version"),
         QStringLiteral("show the version of the program and of the engine library, and exit")}};
    text += Table(own + globalRows);
    text += QLatin1Char('\n') + Wrap(kExitStatus, 0, 0) + QLatin1Char('\n');
    text += QStringLiteral(
        "\"vudeze-cli COMMAND --help\" lists the options of a command; vudeze-cli(1) is\n"
        "the manual.\n");
    return text;
  }
  const CliCommandEntry* command = FindCliCommand(commandName);
  if (command == nullptr) return QString();
  text += UsageLines(*command) + QLatin1Char('\n');
  if (!command->summary.isEmpty()) text += Wrap(command->summary, 0, 0) + QStringLiteral("\n\n");
  text += QStringLiteral("Options:\n");
  QList<QPair<QString, QString>> rows = OptionRows(ShownOptions(command->options));
  rows.append({QStringLiteral("-h, --help"), QStringLiteral("show this help and exit")});
  text += Table(rows + globalRows);
  text += QLatin1Char('\n') + Wrap(kExitStatus, 0, 0) + QLatin1Char('\n');
  return text;
}
