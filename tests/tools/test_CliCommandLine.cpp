// The front end's command line in-process: what an argument list asks for,
// the options each command takes, format names, and the help and manual
// page that must list every command and option the parser knows.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <set>

#include "audio/ExportFormats.h"
#include "tests/support/TestSupport.h"
#include "tools/vudeze-cli/CliCommandLine.h"

namespace {

TEST(CliCommandLine, WhatAnArgumentListAsksFor) {
  struct Row {
    QStringList args;
    CliRequest::Kind kind;
    QString command;  // the command run, or the help's topic
    QString error;    // the start of the message of a usage error
  } rows[] = {
      {{"--help"}, CliRequest::kHelp, "", ""},
      {{"-h"}, CliRequest::kHelp, "", ""},
      {{"help"}, CliRequest::kHelp, "", ""},
      {{"help", "export"}, CliRequest::kHelp, "export", ""},
      {{"export", "--help"}, CliRequest::kHelp, "export", ""},
      // --help wins over what is wrong around it.
      {{"export", "--bogus", "-h"}, CliRequest::kHelp, "export", ""},
      {{"play", "-s"}, CliRequest::kUsageError, "", "-s needs a value"},
      {{"play", "-s", "--help"}, CliRequest::kRun, "play", ""},  // the library's name
      {{"--version"}, CliRequest::kVersion, "", ""},
      {{"-v"}, CliRequest::kVersion, "", ""},
      {{}, CliRequest::kUsageError, "", ""},
      {{"--bogus"}, CliRequest::kUsageError, "", "unknown option --bogus"},
      {{"nonsense"}, CliRequest::kUsageError, "", "unknown command nonsense"},
      {{"help", "nonsense"}, CliRequest::kUsageError, "", "help takes the name of a command"},
      {{"export", "--bogus"}, CliRequest::kUsageError, "", "unknown option --bogus"},
      {{"export", "-x"}, CliRequest::kUsageError, "", "unknown option -x"},
      // Each command takes only its own options.
      {{"engines", "--format", "4"}, CliRequest::kUsageError, "", "unknown option --format"},
      {{"formats", "-s", "lib.so"}, CliRequest::kUsageError, "", "unknown option -s"},
      {{"replay", "--codepage", "936", "log"},
       CliRequest::kUsageError,
       "",
       "unknown option --codepage"},
      {{"export", "--server"}, CliRequest::kUsageError, "", "Missing value after '--server'"},
      {{"export", "--voice", "x"}, CliRequest::kUsageError, "", "--voice takes a number"},
      {{"export", "--timings", "-", "-o", "x", "t"},
       CliRequest::kUsageError,
       "",
       "--timings needs the name of a file"},
      {{"export", "-o", "-", "-"}, CliRequest::kRun, "export", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    CliOptions options;
    const CliRequest r = ParseCliCommandLine(row.args, &options);
    EXPECT_EQ(r.kind, row.kind) << r.error.toStdString();
    if (row.kind == CliRequest::kRun) {
      ASSERT_NE(r.command, nullptr);
      EXPECT_EQ(r.command->name, row.command);
    }
    if (row.kind == CliRequest::kHelp) EXPECT_EQ(r.helpTopic, row.command);
    if (row.kind == CliRequest::kUsageError) {
      EXPECT_EQ(r.error.left(row.error.size()), row.error);
      EXPECT_TRUE(r.usage.startsWith("usage: vudeze-cli ")) << r.usage.toStdString();
    }
  }
}

TEST(CliCommandLine, ConventionalSpellingsOfOptionsAndArguments) {
  struct Row {
    QStringList args;
    QString output;
    int64_t format;
    QString library;
    QStringList positional;
  } rows[] = {
      {{"export", "-o", "out.wav", "t.txt"}, "out.wav", -1, "", {"t.txt"}},
      {{"export", "-oout.wav", "t.txt"}, "out.wav", -1, "", {"t.txt"}},
      {{"export", "--format=17", "-o", "-", "-"}, "-", 17, "", {"-"}},
      {{"export", "--format", "G721-8K", "-o", "", "t"}, "", 17, "", {"t"}},
      {{"export", "--format", "vox-6k", "-o", "x", "t"}, "x", 21, "", {"t"}},
      {{"export", "--format", "0x16", "-o", "x", "t"}, "x", 22, "", {"t"}},
      {{"export", "-o", "x", "--", "-t.txt"}, "x", -1, "", {"-t.txt"}},
      // Options after the argument, the library flag in the program's forms.
      {{"export", "t", "-silent", "-o", "-o", "x"}, "x", -1, "-o", {"t"}},
      {{"export", "--library=a.so", "-o", "x", "t"}, "x", -1, "a.so", {"t"}},
      // The last of a repeated option counts.
      {{"export", "-o", "a", "-o", "b", "t"}, "b", -1, "", {"t"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    CliOptions o;
    const CliRequest r = ParseCliCommandLine(row.args, &o);
    ASSERT_EQ(r.kind, CliRequest::kRun) << r.error.toStdString();
    EXPECT_TRUE(o.hasOutput);
    EXPECT_EQ(o.output, row.output);
    EXPECT_EQ(o.format, row.format);
    EXPECT_EQ(o.library, row.library);
    EXPECT_EQ(o.positional, row.positional);
  }
}

TEST(CliCommandLine, EveryFormatNameIsARowOfTheExportTable) {
  std::set<std::string> keys;
  for (int row = 0; row < kExportFormatCount; ++row) {
    const ExportFormatRow& r = ExportFormatRowAt(row);
    const QString key = QString::fromLatin1(r.key);
    EXPECT_TRUE(keys.insert(key.toStdString()).second) << "one name per row: " << r.key;
    EXPECT_EQ(key, key.toLower());
    EXPECT_FALSE(key.contains(' '));
    EXPECT_EQ(ExportFormatRowByKey(key.toUpper()), row);
    CliOptions o;
    QString error;
    ASSERT_TRUE(ParseCliOptions({"--format", key}, &o, &error)) << error.toStdString();
    EXPECT_EQ(o.format, r.code) << r.key;
  }
  EXPECT_EQ(ExportFormatRowByKey("pcm"), -1) << "no prefixes";
  CliOptions o;
  QString error;
  EXPECT_FALSE(ParseCliOptions({"--format", "mp3"}, &o, &error));
  EXPECT_TRUE(error.contains("vudeze-cli formats")) << error.toStdString();
}

TEST(CliCommandLine, FormatsTableListsEveryRowWithItsCodeRateAndFileType) {
  const QStringList lines = FormatsTable().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), kExportFormatCount + 1);
  EXPECT_TRUE(lines.front().startsWith("NAME"));
  const auto columns = [&](const QString& key) {
    for (const QString& line : lines)
      if (line.section(' ', 0, 0) == key) return line.split(' ', Qt::SkipEmptyParts);
    return QStringList();
  };
  // name, code, rate, bits, file type, streams to -o -, the dialog's name
  EXPECT_EQ(columns("pcm16k").mid(0, 6), QStringList({"pcm16k", "4", "16000", "16", ".wav", "no"}));
  EXPECT_EQ(columns("ulaw11k").mid(0, 6),
            QStringList({"ulaw11k", "14", "11025", "8", ".au", "no"}));
  EXPECT_EQ(columns("g723-5bit").mid(0, 6),
            QStringList({"g723-5bit", "20", "8000", "5", ".g23", "yes"}));
  EXPECT_EQ(columns("vox-6k").mid(0, 6), QStringList({"vox-6k", "21", "6000", "4", ".vox", "yes"}));
  EXPECT_TRUE(lines[1].endsWith("DEFAULT"));
}

// The long options a help text lists ("  -s, --library LIB   ...").
QStringList HelpOptions(const QString& help) {
  QStringList names;
  static const QRegularExpression row(QStringLiteral("^ {2,6}(-\\w, )?(--[\\w-]+)"),
                                      QRegularExpression::MultilineOption);
  for (auto it = row.globalMatch(help); it.hasNext();) names << it.next().captured(2);
  return names;
}

TEST(CliCommandLine, HelpListsEachCommandAndTheOptionsItTakes) {
  const QString help = CliHelpText();
  for (const CliCommandEntry& c : CliCommands()) {
    EXPECT_TRUE(help.contains("\n  " + c.name + ' ')) << c.name.toStdString();
    const QString own = CliHelpText(c.name);
    ASSERT_FALSE(own.isEmpty()) << c.name.toStdString();
    // The synopsis, broken between its parts where it is too long for a line.
    EXPECT_EQ(own.section("\n\n", 0, 0).simplified(), "usage: vudeze-cli " + c.usage);
    // What the help lists is what the parser takes.
    for (const QString& option : HelpOptions(own)) {
      if (option == "--help") continue;
      CliOptions o;
      const CliRequest r = ParseCliCommandLine({c.name, option, "0"}, &o);
      EXPECT_NE(r.error.left(15), "unknown option ")
          << c.name.toStdString() << ' ' << option.toStdString();
    }
  }
  EXPECT_EQ(HelpOptions(CliHelpText("export")),
            QStringList({"--library", "--server", "--engine", "--voice", "--format", "--codepage",
                         "--timings", "--plot", "--plot-width", "--help"}));
  EXPECT_TRUE(CliHelpText("export").contains("\n  -o OUT "));
  EXPECT_TRUE(CliHelpText("batch").contains("\n  -o DIR "));
  EXPECT_TRUE(CliHelpText("nonsense").isEmpty());
  for (const QString& line : (help + CliHelpText("export")).split('\n'))
    EXPECT_LE(line.size(), 79) << line.toStdString();
}

TEST(CliCommandLine, ManualPageCoversEveryCommandAndOption) {
  const QString page = QString::fromUtf8(
      ReadAll(QStringLiteral(VUDEZE_SOURCE_DIR) + QStringLiteral("/dist/man/vudeze-cli.1")));
  ASSERT_FALSE(page.isEmpty());
  for (const CliCommandEntry& c : CliCommands()) {
    if (c.name.startsWith("test-")) continue;  // commands the tests register
    EXPECT_TRUE(page.contains(".B " + QString(c.name).replace('-', "\\-") + '\n'))
        << c.name.toStdString();
    for (const QString& option : HelpOptions(CliHelpText(c.name)))
      EXPECT_TRUE(page.contains(QString(option).replace('-', "\\-")))
          << c.name.toStdString() << ' ' << option.toStdString();
  }
  for (const char* exitCode : {".B 0\n", ".B 1\n", ".B 2\n", ".BI 128+ n\n"})
    EXPECT_TRUE(page.contains(exitCode)) << exitCode;
  EXPECT_TRUE(page.contains(".SH EXAMPLES"));
  EXPECT_TRUE(page.contains(".SH ENVIRONMENT"));
  EXPECT_TRUE(page.contains(".SH FILES"));
}

}  // namespace
