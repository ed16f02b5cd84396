// The front end's command line: the table of options, the commands that
// registered themselves, parsing an argument list into a request, and the
// help texts built from the same table, so the help always lists what the
// parser takes.
//
// Threads: commands register during static initialisation; everything else
// runs on the main thread.
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "tools/vudeze-cli/Cli.h"

struct CliCommandEntry {
  QString name;
  QString arguments;  // after the options in the synopsis
  QString summary;    // first line: the command list's; the whole: the help's
  std::vector<CliOptionUse> options;
  QString usage;           // the synopsis after "vudeze-cli ", on one line
  QStringList usageParts;  // the same in the pieces a line may break between
  CliCommandFn run = nullptr;
};

// The registered commands, by name.
std::vector<CliCommandEntry> CliCommands();
// The command of that name, or null.
const CliCommandEntry* FindCliCommand(const QString& name);

// What an argument list (argv without the program's name) asks for.
struct CliRequest {
  enum Kind {
    kRun,         // run command with the options parsed
    kHelp,        // print CliHelpText(helpTopic) to stdout, exit 0
    kVersion,     // print CliVersionText to stdout, exit 0
    kUsageError,  // print error and usage to stderr, exit 2
  };
  Kind kind = kUsageError;
  const CliCommandEntry* command = nullptr;  // kRun
  QString helpTopic;                         // kHelp: a command's name, or empty
  QString error;                             // kUsageError: the message, may be empty
  QString usage;                             // kUsageError: the usage lines after it
};

// Parses global options, the command and its options into *options.
CliRequest ParseCliCommandLine(const QStringList& args, CliOptions* options);

// The usage lines printed after a usage error: every command's synopsis, or
// one command's.
QString CliUsageText(const CliCommandEntry* command = nullptr);
