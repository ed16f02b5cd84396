// vudeze-cli, the headless front end. It goes through the same classes the
// program uses (adapter, pipeline, endpoints, reports), so what it prints is
// what the program would show. Each command lives in a file of its own and
// registers itself with a CliCommand object at namespace scope.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

struct InfoRecord;

struct CliOptions {
  QString command;
  QString library;  // -s LIB
  QString server;   // --server ADDR
  bool hasServer = false;
  QString engine;        // --engine NAME (the first engine when empty)
  int64_t voice = -1;    // --voice N: a voice identifier as `voices` prints it
  int64_t format = -1;   // --format CODE: TTS_PARAM_AUDIODATAFMT
  int64_t codepage = 0;  // --codepage CP: 0 detects (UCS-2 by signature, else ANSI)
  QString output;        // -o OUT ("" discards the audio)
  bool hasOutput = false;
  QString timings;          // --timings FILE (.json or .srt): export's word timings
  QString plot;             // --plot FILE.png: export's waveform and spectrogram
  int64_t plotWidth = -1;   // --plot-width PIXELS
  double pauseAt = -1;      // --pause-at SECONDS
  double resumeAfter = -1;  // --resume-after SECONDS
  QStringList positional;
};

// Parses argv after the command name; false with a message on a bad option.
bool ParseCliOptions(const QStringList& args, CliOptions* options, QString* error);

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

using CliCommandFn = int (*)(const CliOptions& options);

struct CliCommand {
  CliCommand(const char* name, const char* usage, CliCommandFn run);
};

// The whole front end: installs the report printer, parses, runs a command.
// SIGPIPE and SIGXFSZ are ignored: a reader that went away or a file size
// limit makes the write fail, and the failure is reported (stderr, exit code
// 1) instead of ending the program.
int RunCli(int argc, char** argv);
