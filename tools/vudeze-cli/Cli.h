// vudeze-cli, the headless front end. It goes through the same classes the
// program uses (adapter, pipeline, endpoints, reports), so what it prints is
// what the program would show. Each command lives in a file of its own and
// registers itself with a CliCommand object at namespace scope, naming the
// options it takes; the options themselves (names, value, help, where the
// value goes in CliOptions) are one table in Cli.cpp.
//
// Command line: vudeze-cli [GLOBAL OPTIONS] COMMAND [OPTIONS] [ARGUMENTS],
// parsed with QCommandLineParser ("--name VALUE" or "--name=VALUE", "-o
// VALUE" or "-oVALUE", "--" ends the options, "-" is an argument). The
// engine library flag keeps the program's own rule on top of that (see
// ParseCliOptions). --help (-h) and --version (-v) print to stdout and exit
// with 0, as does "COMMAND --help"; a usage error prints to stderr and exits
// with 2.
//
// Adding an option: a field in CliOptions, a row in the option table of
// Cli.cpp, and its name in the option list of every command that takes it
// (a global option is taken by every command, before it or after it).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

struct InfoRecord;

struct CliOptions {
  QString command;
  QString library;  // -s LIB
  QString server;   // --server ADDR
  bool hasServer = false;
  QString engine;        // --engine NAME (the first engine when empty)
  int64_t voice = -1;    // --voice N: a voice identifier as `voices` prints it
  int64_t format = -1;   // --format CODE|NAME: TTS_PARAM_AUDIODATAFMT
  int64_t codepage = 0;  // --codepage CP: 0 detects (UCS-2 by signature, else ANSI)
  QString output;        // -o OUT ("" discards the audio, "-" is standard output)
  bool hasOutput = false;
  QString timings;          // --timings FILE (.json or .srt): export's word timings
  QString plot;             // --plot FILE.png: export's waveform and spectrogram
  int64_t plotWidth = -1;   // --plot-width PIXELS
  double pauseAt = -1;      // --pause-at SECONDS
  double resumeAfter = -1;  // --resume-after SECONDS
  QStringList positional;
};

// Parses argv after the command name with every option of the table (the
// commands themselves take only the options they name). False with a
// message on a bad option or value.
//
// The engine library flag follows the program's rule: a "-" and then "s" or
// "S", whatever follows (-s, -S, -silent), takes the next argument whole as
// the library, even one that starts with "-". "--library LIB" is the same.
bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error);

// The "-" that names standard input as the text file, or standard output
// as the audio file (-o -).
inline bool IsStdStream(const QString& path) {
  return path == QLatin1String("-");
}

// The lines a report prints: "RESULT\tACTION\tDETAILS", then "\t\tLINE" for
// each further line of the details, as the information table shows them.
QStringList InfoRecordLines(const InfoRecord& record);

// Which engine library the front end loads: -s, else "engine"/"module" of
// vudeze.ini beside the program (or, when there is none, in the current
// folder if that file and folder are the user's own and writable by nobody
// else; an untrusted one is ignored with a line on stderr), else the stored
// SvcModule, else the bundled engine library (beside the program in a build
// tree, in PREFIX/lib/vudeze when installed: platform/AppPaths.h).
QString ChooseEngineLibrary(const CliOptions& options);

// The first half of BringUpEngine: ReadConfig, LoadModule, EnumEngines (with
// --server, or the stored address when the library is the stored one and its
// assign-address flag is set). Returns 0 or the failing code.
uint32_t LoadAndEnumerate(const CliOptions& options, QString* step);

// Brings the engine up in the program's start-up order (ReadConfig,
// LoadModule, EnumEngines, SelectEngine) with the options' library, server
// and engine. Returns 0 or the failing code; *step names the failing step.
uint32_t BringUpEngine(const CliOptions& options, QString* step);

// Prints "0x%08x" and the code's message to stderr, after "what: ".
void PrintFailure(const QString& what, uint32_t code);
// The same with a message of the caller's.
void PrintFailureMessage(const QString& what, uint32_t code, const QString& message);

// The message text of an engine, adapter or system result code.
QString ResultMessage(uint32_t code);

// The reports go to stderr instead of stdout from now on (export -o -
// writes the audio to stdout). Main thread, before the reports are printed.
void PrintReportsToStderr();

// "vudeze-cli VERSION" and the engine library that the options choose with
// its product name and version, as the About box shows them.
QString CliVersionText(const CliOptions& options);

using CliCommandFn = int (*)(const CliOptions& options);

// An option a command takes: its name in the option table, and what this
// command shows for it where the table's text does not fit.
struct CliOptionUse {
  const char* name;                 // the option's long name (or its letter) in the table
  const char* valueName = nullptr;  // in place of the table's value name
  const char* help = nullptr;       // in place of the table's help text
  bool required = false;            // shown without brackets in the synopsis
};

struct CliCommand {
  // name, the arguments after the options in the synopsis ("TEXTFILE"), one
  // line for the command list and the help, and the options it takes.
  CliCommand(const char* name, const char* arguments, const char* summary,
             std::vector<CliOptionUse> options, CliCommandFn run);
  // A command that takes every option of the table, with a synopsis of its
  // own ("name [-s LIB] ...").
  CliCommand(const char* name, const char* usage, CliCommandFn run);
};

// What `vudeze-cli formats` prints: a header line, then one line per row of
// the export format table.
QString FormatsTable();

// Prints "usage: vudeze-cli COMMAND ..." of options.command to stderr, for
// a command's own check of its arguments (exit code 2 then).
void PrintCommandUsage(const CliOptions& options);

// The help of the front end (command empty) or of one command, as --help
// prints it; empty for a command that does not exist.
QString CliHelpText(const QString& command = QString());

// The whole front end: installs the report printer, parses, runs a command.
// SIGPIPE and SIGXFSZ are ignored: a reader that went away or a file size
// limit makes the write fail, and the failure is reported (stderr, exit code
// 1) instead of ending the program.
int RunCli(int argc, char** argv);
