// The front end's frame in-process: option parsing, report lines, and which
// engine library it chooses.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <thread>

#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "shell/InfoReport.h"
#include "tests/support/TestSupport.h"
#include "tools/vudeze-cli/Cli.h"

namespace {

TEST(CliOptions, ParsesEveryOption) {
  CliOptions o;
  QString error;
  ASSERT_TRUE(ParseCliOptions(
      {"-s", "/x/lib.so", "--server", "10.0.0.1", "--engine", "E 1", "--voice", "7", "--format",
       "0x1e", "--codepage", "936", "-o", "", "--pause-at", "1.5", "--resume-after", "2", "in.txt"},
      &o, &error))
      << error.toStdString();
  EXPECT_EQ(o.library, "/x/lib.so");
  EXPECT_TRUE(o.hasServer);
  EXPECT_EQ(o.server, "10.0.0.1");
  EXPECT_EQ(o.engine, "E 1");
  EXPECT_EQ(o.voice, 7);
  EXPECT_EQ(o.format, 30);
  EXPECT_EQ(o.codepage, 936);
  EXPECT_TRUE(o.hasOutput) << "-o \"\" asks to discard the audio";
  EXPECT_EQ(o.output, "");
  EXPECT_DOUBLE_EQ(o.pauseAt, 1.5);
  EXPECT_DOUBLE_EQ(o.resumeAfter, 2.0);
  EXPECT_EQ(o.positional, QStringList({"in.txt"}));
}

TEST(CliOptions, DefaultsWhenNothingIsGiven) {
  CliOptions o;
  QString error;
  ASSERT_TRUE(ParseCliOptions({}, &o, &error));
  EXPECT_FALSE(o.hasServer);
  EXPECT_FALSE(o.hasOutput);
  EXPECT_EQ(o.voice, -1);
  EXPECT_EQ(o.format, -1);
  EXPECT_EQ(o.codepage, 0);
}

TEST(CliOptions, EngineLibraryFlagFollowsTheProgramsRule) {
  // "s" or "S" after the dash, whatever follows; a slash starts a path here.
  struct Row {
    QStringList args;
    QString library;
    QStringList positional;
  } rows[] = {
      {{"-S", "a.so"}, "a.so", {}},
      {{"-silent", "b.so"}, "b.so", {}},
      {{"-s", "-o"}, "-o", {}},  // the next argument is taken whole
      {{"/srv/text.txt"}, "", {"/srv/text.txt"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    CliOptions o;
    QString error;
    ASSERT_TRUE(ParseCliOptions(row.args, &o, &error)) << error.toStdString();
    EXPECT_EQ(o.library, row.library);
    EXPECT_EQ(o.positional, row.positional);
  }
}

TEST(CliOptions, RejectsBadOptions) {
  const QList<QStringList> cases = {
      {"-s"},          {"--server"},         {"--voice", "x"}, {"--format", "-3"},
      {"--codepage"},  {"--pause-at", "-1"}, {"--unknown"},    {"-o"},
      {"--voice", ""},
  };
  for (const QStringList& args : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    CliOptions o;
    QString error;
    EXPECT_FALSE(ParseCliOptions(args, &o, &error));
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(CliReports, LinesAsTheInformationTableShowsThem) {
  struct Row {
    int32_t result;
    QString action, details;
    QStringList lines;
  } rows[] = {
      {0, "Voice", "one line", {"OK\tVoice\tone line"}},
      {5, "Synth", "a\nb\nc", {"Failed 5\tSynth\ta", "\t\tb", "\t\tc"}},
      {-2, "Audio", "ends\n", {"Warning -2\tAudio\tends", "\t\t"}},
      {0, "x", "", {"OK\tx\t"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.details.toStdString());
    EXPECT_EQ(InfoRecordLines(InfoRecord{row.result, row.action, row.details}), row.lines);
  }
}

class ChooseLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_oldCwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_dir.path()));
    CRegKey adapter;
    if (adapter.Open(CRegKey::Root(), "Adapter") == 0) adapter.DeleteValue("SvcModule");
  }
  void TearDown() override { QDir::setCurrent(m_oldCwd); }
  QTemporaryDir m_dir;
  QString m_oldCwd;
};

TEST_F(ChooseLibraryTest, CommandLineThenIniThenStoredThenBundled) {
  // Beside the test program there is no vudeze.ini, so the current
  // directory's is used.
  ASSERT_FALSE(QFile::exists(GetAppDir() + "/vudeze.ini"));
  CliOptions none;
  EXPECT_EQ(ChooseEngineLibrary(none), GetAppDir() + "/libvarentts.so");

  CRegKey adapter;
  ASSERT_EQ(adapter.Create(CRegKey::Root(), "Adapter"), 0u);
  ASSERT_EQ(adapter.SetString("SvcModule", "/stored/lib.so"), 0u);
  EXPECT_EQ(ChooseEngineLibrary(none), "/stored/lib.so");

  ASSERT_TRUE(WriteAll(m_dir.filePath("vudeze.ini"), "[engine]\nmodule=/ini/lib.so\n"));
  EXPECT_EQ(ChooseEngineLibrary(none), "/ini/lib.so");

  CliOptions given;
  given.library = "/given/lib.so";
  EXPECT_EQ(ChooseEngineLibrary(given), "/given/lib.so");

  // An empty ini value falls through to the stored path.
  ASSERT_TRUE(WriteAll(m_dir.filePath("vudeze.ini"), "[engine]\nmodule=\n"));
  EXPECT_EQ(ChooseEngineLibrary(none), "/stored/lib.so");
  adapter.DeleteValue("SvcModule");
}

TEST(CliResults, MessagesForEngineAdapterAndSystemCodes) {
  EXPECT_EQ(ResultMessage(19), "No suitable engine was found.");
  EXPECT_EQ(ResultMessage(2055), "The library is not a speech engine library.");
  EXPECT_EQ(ResultMessage(126), "The specified module could not be found.");
  EXPECT_FALSE(ResultMessage(0xdead).isEmpty());
}

// A command that reports from the main thread and from a worker thread, and
// clears the table in between.
int RunReportCommand(const CliOptions&) {
  PostInfo(0, L"First", L"main %d", 1);
  ClearInfo();
  std::thread worker([] { PostInfo(-1, L"Worker", L"from the worker"); });
  worker.join();
  PostInfo(5, L"Last", L"line 1\nline 2");
  return 3;
}
const CliCommand s_reportCommand("test-reports", "test-reports", &RunReportCommand);

TEST(CliReports, PrintedToStdoutInPostingOrderBeforeTheRunEnds) {
  QTemporaryDir dir;
  const QString path = dir.filePath("stdout.txt");
  std::fflush(stdout);
  const int saved = dup(1);
  const int file = open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(file, 0);
  dup2(file, 1);
  char name[] = "vudeze-cli", command[] = "test-reports";
  char* argv[] = {name, command, nullptr};
  const int code = RunCli(2, argv);
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  close(file);

  EXPECT_EQ(code, 3) << "the command's own exit code";
  EXPECT_EQ(QString::fromUtf8(ReadAll(path)),
            "OK\tFirst\tmain 1\n"
            "Warning -1\tWorker\tfrom the worker\n"
            "Failed 5\tLast\tline 1\n"
            "\t\tline 2\n");
  EXPECT_EQ(SetInfoReceiver(nullptr), nullptr) << "the printer is unregistered after the run";
}

}  // namespace
