// `vudeze-cli` and `vudeze` as a user types them by habit, run as programs:
// help and versions on stdout with exit 0, usage errors on stderr with exit
// 2, "-" as the text (standard input), "-o -" streaming the audio into a pipe
// that sox reads, a WAVE format refused there, format names, and the bash
// completion that reads the help.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

const char kPieces[] =
    "engine E1 127.0.0.1\n"
    "piece 1000 start=0 end=4\n"
    "piece 70000 start=6 end=10\n"
    "piece 8\n";

class CliConventionsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  static ProcessResult Cli(const QStringList& args, const QStringList& env = {}) {
    return RunProgram(BinPath("vudeze-cli"), args, env);
  }
  static ProcessResult Shell(const QString& line) {
    return RunProgram(QStringLiteral("/bin/bash"), {"-c", line});
  }
  // The scriptable engine with a script; its calls are logged to engine.log.
  QStringList TestEngine(const QString& script) {
    const QString path = Path(QStringLiteral("script%1.txt").arg(m_scripts++));
    WriteAll(path, script.toUtf8() + "logfile " + Path("engine.log").toUtf8() + "\n");
    m_env = {"TESTENGINE_SCRIPT=" + path};
    return {"-s", BinPath("libtestengine.so")};
  }
  QString Hello() const { return TestDataDir() + QStringLiteral("/export_hello.txt"); }
  static QStringList Reports(const QByteArray& text) {
    QStringList lines;
    for (const QString& line : QString::fromUtf8(text).split('\n'))
      if (line.startsWith("OK\t") || line.startsWith("Failed ") || line.startsWith("Warning "))
        lines << line;
    return lines;
  }

  QTemporaryDir m_dir;
  QStringList m_env;
  int m_scripts = 0;
};

TEST_F(CliConventionsTest, HelpAndVersionPrintToStdoutAndExitZero) {
  struct Row {
    QStringList args;
    QString start;  // how stdout starts
    QString holds;  // and what it holds
  } rows[] = {
      {{"--help"}, "usage: vudeze-cli ", "\n  export "},
      {{"-h"}, "usage: vudeze-cli ", "\n  formats "},
      {{"help", "play"}, "usage: vudeze-cli play [-s LIB]", "--pause-at SECONDS"},
      {{"export", "--help"}, "usage: vudeze-cli export [-s LIB]", "-o OUT"},
      {{"formats", "-h"}, "usage: vudeze-cli formats\n", "Exit status:"},
      {{"--version"}, "vudeze-cli 5.", "engine library " + BinPath("libvarentts.so") + ": "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    const ProcessResult r = Cli(row.args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    const QString out = QString::fromUtf8(r.out);
    EXPECT_TRUE(out.startsWith(row.start)) << r.out.toStdString();
    EXPECT_TRUE(out.contains(row.holds)) << r.out.toStdString();
  }
  // The version is the program's own and the engine's, read from their notes.
  const QString version = QString::fromUtf8(Cli({"--version"}).out);
  EXPECT_TRUE(version.startsWith(QStringLiteral("vudeze-cli %1\n").arg(VUDEZE_VERSION)));
  EXPECT_TRUE(version.contains(": Varen TTS 5.")) << version.toStdString();
}

TEST_F(CliConventionsTest, UsageErrorsGoToStderrWithExitTwo) {
  struct Row {
    QStringList args;
    QString first;  // stderr's first line
  } rows[] = {
      {{"--bogus"}, "unknown option --bogus"},
      {{"export", "--bogus", "-o", "x", "t"}, "unknown option --bogus"},
      {{"engines", "--format", "4"}, "unknown option --format"},
      {{"export", "--format", "mp3", "-o", "x", "t"}, "--format takes a code or a format name"},
      {{"export", "-o", "x"}, "usage: vudeze-cli export [-s LIB]"},
      {{"formats", "extra"}, "usage: vudeze-cli formats"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    const ProcessResult r = Cli(row.args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(QString::fromUtf8(r.err).section('\n', 0, 0).left(row.first.size()), row.first)
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("--help\" tells more.\n")) << r.err.toStdString();
  }
}

TEST_F(CliConventionsTest, DashReadsTheTextFromStandardInputAsAFile) {
  // UCS-2 by its signature, "Hi 中": the engine is told UTF-16LE and gets
  // the 8 bytes after the signature, as for a file.
  const QString input = Path("ucs2.txt");
  ASSERT_TRUE(WriteAll(input, QByteArray("\xFF\xFEH\0i\0 \0\x2D\x4E", 10)));
  const QStringList engine = TestEngine("engine E1 127.0.0.1\n");
  const ProcessResult r = RunProgramWithStdin(
      BinPath("vudeze-cli"), QStringList{"export"} + engine + QStringList{"-o", "", "-"}, input,
      m_env);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(Reports(r.out).value(0),
            QStringLiteral("OK\tSynth\tText buffer size = 8, Text = \"Hi \u4E2D\"."));
  const QStringList log = QString::fromUtf8(ReadAll(Path("engine.log"))).split('\n');
  EXPECT_TRUE(log.contains("TTSSetParam 4 4")) << log.join('|').toStdString();

  // Through a pipe, which has no size to ask for.
  const ProcessResult piped =
      Shell(QStringLiteral("cat '%1' | TESTENGINE_SCRIPT='%2' '%3' export -s '%4' -o '' -")
                .arg(input, m_env.first().section('=', 1), BinPath("vudeze-cli"),
                     BinPath("libtestengine.so")));
  ASSERT_EQ(piped.exitCode, 0) << piped.err.toStdString();
  EXPECT_EQ(Reports(piped.out).value(0),
            QStringLiteral("OK\tSynth\tText buffer size = 8, Text = \"Hi \u4E2D\"."));
}

TEST_F(CliConventionsTest, RawAudioStreamsToStdoutAndTheReportsGoToStderr) {
  // The same bytes as the file export, names and numbers alike.
  const QByteArray golden = ReadAll(TestDataDir() + "/export_g721_8k.g21");
  ASSERT_FALSE(golden.isEmpty());
  for (const char* format : {"17", "g721-8k"}) {
    const QStringList engine = TestEngine(kPieces);
    const ProcessResult r =
        Cli(QStringList{"export"} + engine + QStringList{"--format", format, "-o", "-", Hello()},
            m_env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out == golden) << format << ": " << r.out.size() << " bytes";
    const QStringList reports = Reports(r.err);
    EXPECT_EQ(reports.value(0),
              QStringLiteral("OK\tSynth\tText buffer size = 11, Text = \"Hello world\"."));
    EXPECT_TRUE(reports.contains(QStringLiteral("OK\t结束合成\t本次合成正常结束。")));
  }
}

TEST_F(CliConventionsTest, BundledEngineStreamsIntoAPipeThatSoxReads) {
  ASSERT_TRUE(WriteAll(Path("t.txt"), "Speech made while it is read, through a pipe."));
  // VOX at 6 kHz, read by sox from its standard input as it comes.
  const ProcessResult r =
      Shell(QStringLiteral("set -o pipefail; '%1' export -s '%2' --format vox-6k -o - - < '%3' "
                           "2> '%4' | sox -t vox -r 6000 - -t wav '%5'")
                .arg(BinPath("vudeze-cli"), BinPath("libvarentts.so"), Path("t.txt"),
                     Path("err.txt"), Path("piped.wav")));
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString() << ReadAll(Path("err.txt")).toStdString();
  // The same export into a file: the pipe carried every byte.
  const ProcessResult file = Cli({"export", "-s", BinPath("libvarentts.so"), "--format", "vox-6k",
                                  "-o", Path("file.vox"), Path("t.txt")});
  ASSERT_EQ(file.exitCode, 0) << file.err.toStdString();
  const ProcessResult soxi = RunProgram("soxi", {"-s", Path("piped.wav")});
  const qint64 samples = QString::fromUtf8(soxi.out).trimmed().toLongLong();
  EXPECT_EQ(samples, 2 * QFileInfo(Path("file.vox")).size()) << "two samples a byte";
  EXPECT_GT(samples, 6000) << "more than a second of speech";
  EXPECT_TRUE(ReadAll(Path("err.txt")).contains("OK\tSynth\t"));
}

TEST_F(CliConventionsTest, WaveToStdoutIsRefusedBeforeAnythingIsSpoken) {
  for (const QStringList& format :
       {QStringList{"--format", "pcm16k"}, QStringList{"--format", "alaw8k"}, QStringList{}}) {
    SCOPED_TRACE(format.join(' ').toStdString());
    const QStringList engine = TestEngine(kPieces);
    const ProcessResult r =
        Cli(QStringList{"export"} + engine + format + QStringList{"-o", "-", Hello()}, m_env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains("-o - writes headerless audio only")) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("\tSynth\t")) << "nothing was synthesised";
    EXPECT_FALSE(ReadAll(Path("engine.log")).contains("TTSSynthText"));
  }
}

TEST_F(CliConventionsTest, ATerminalIsRefusedAsStandardOutput) {
  const QStringList engine = TestEngine(kPieces);
  // script(1) gives the export a terminal of its own as standard output.
  const ProcessResult r = RunProgram("script",
                                     {"-qec",
                                      QStringLiteral("'%1' export %2 --format 17 -o - '%3'")
                                          .arg(BinPath("vudeze-cli"), engine.join(' '), Hello()),
                                      "/dev/null"},
                                     m_env);
  EXPECT_EQ(r.exitCode, 2) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("standard output is a terminal")) << r.out.toStdString();
  EXPECT_FALSE(ReadAll(Path("engine.log")).contains("TTSSynthText"));
}

TEST_F(CliConventionsTest, AReaderThatQuitsFailsTheStreamedExport) {
  QString script = "engine E1 127.0.0.1\n";
  for (int i = 0; i < 20; ++i) script += "piece 65536\n";
  const QStringList engine = TestEngine(script);
  const ProcessResult r =
      Shell(QStringLiteral("TESTENGINE_SCRIPT='%1' '%2' export %3 --format 17 -o - '%4' 2>'%5' "
                           "| head -c 100 > /dev/null; echo \"exit ${PIPESTATUS[0]}\"")
                .arg(m_env.first().section('=', 1), BinPath("vudeze-cli"), engine.join(' '),
                     Hello(), Path("err.txt")));
  EXPECT_EQ(r.out, "exit 1\n") << ReadAll(Path("err.txt")).toStdString();
  EXPECT_TRUE(ReadAll(Path("err.txt")).contains("Writing to standard output: 0x000000e8"))
      << ReadAll(Path("err.txt")).toStdString();
}

TEST_F(CliConventionsTest, AnOptionMayCarryItsValueAfterAnEqualsSign) {
  const QStringList engine =
      TestEngine("engine E1 127.0.0.1\npattern tone 1000 16000\nwords 800\n");
  const ProcessResult r = Cli(QStringList{"export"} + engine +
                                  QStringList{"--format=pcm16k", "--plot=" + Path("p.png"),
                                              "--plot-width=300", "-o" + Path("t.wav"), Hello()},
                              m_env + QStringList{"QT_QPA_PLATFORM="});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_TRUE(ReadAll(Path("t.wav")).startsWith("RIFF"));
  EXPECT_TRUE(ReadAll(Path("p.png")).startsWith("\x89PNG"));
}

TEST_F(CliConventionsTest, FormatsListsTheNamesThatFormatTakes) {
  const ProcessResult r = Cli({"formats"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 24);
  EXPECT_TRUE(
      lines.contains(QStringLiteral("g721-8k        17   8000     4  .g21  yes   "
                                    "ADPCM G.721 8K 4-bit")))
      << r.out.toStdString();
}

TEST_F(CliConventionsTest, ProgramPrintsHelpAndVersionWithoutADisplay) {
  // No display and the X11 platform: the program would fail to open a window.
  const QStringList env = {"QT_QPA_PLATFORM=xcb",
                           "DISPLAY=", "WAYLAND_DISPLAY=", "LC_ALL=", "LC_MESSAGES="};
  struct Row {
    QStringList args;
    QString lang;
    QString start;
  } rows[] = {
      {{"--help"}, "zh_CN.UTF-8", QStringLiteral("用法：vudeze [-s 引擎库] [文本文件]\n")},
      {{"-h"}, "en_US.UTF-8", QStringLiteral("Usage: vudeze [-s ENGINE_LIBRARY] [TEXTFILE]\n")},
      {{"notes.txt", "--help"},
       "zh_TW.UTF-8",
       QStringLiteral("用法：vudeze [-s 引擎庫] [文字檔]\n")},
      {{"--version"}, "en_US.UTF-8", QStringLiteral("vudeze %1\n").arg(VUDEZE_VERSION)},
      {{"-s", BinPath("libtestengine.so"), "-v"},
       "en_US.UTF-8",
       QStringLiteral("vudeze %1\nengine library %2: VUDEZE Test Engine 1.0.0.1\n")
           .arg(VUDEZE_VERSION, BinPath("libtestengine.so"))},
      {{"-s", "/none/lib.so", "--version"},
       "zh_CN.UTF-8",
       QStringLiteral("vudeze %1\n合成引擎库 /none/lib.so：找不到该文件\n").arg(VUDEZE_VERSION)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    const ProcessResult r =
        RunProgram(BinPath("vudeze"), row.args, env + QStringList{"LANG=" + row.lang});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QString::fromUtf8(r.out).startsWith(row.start)) << r.out.toStdString();
  }
  // The argument after the engine flag is a path, even "--help": the program
  // then starts (and without a display cannot).
  const ProcessResult start = RunProgram(BinPath("vudeze"), {"-s", "--help"}, env, 30000);
  EXPECT_NE(start.exitCode, 0);
  EXPECT_EQ(start.out, "");
}

TEST_F(CliConventionsTest, BashCompletionReadsCommandsOptionsAndFormats) {
  const QString completion = QStringLiteral(VUDEZE_SOURCE_DIR) + "/dist/vudeze-cli.bash-completion";
  const QString framework = QStringLiteral("/usr/share/bash-completion/bash_completion");
  if (!QFileInfo::exists(framework)) GTEST_SKIP() << "bash-completion is not installed";
  struct Row {
    QString line;  // what was typed; the cursor at its end
    QString expected;
  } rows[] = {
      {"vudeze-cli ex", "export"},
      {"vudeze-cli help fo", "formats"},
      {"vudeze-cli --ver", "--version"},
      {"vudeze-cli export --ti", "--timings"},
      {"vudeze-cli play --p", "--pause-at"},
      {"vudeze-cli export --format g72", "g721-6k g721-8k g723-3bit g723-5bit"},
      {"vudeze-cli -h export -s x.so --format vox-", "vox-6k vox-8k"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line.toStdString());
    const QString script =
        QStringLiteral(
            "source '%1'; source '%2'; PATH='%3':$PATH\n"
            "COMP_LINE='%4'; COMP_POINT=${#COMP_LINE}; read -ra COMP_WORDS <<< \"$COMP_LINE\"\n"
            "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('')\n"
            "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _vudeze_cli\n"
            "printf '%s\\n' \"${COMPREPLY[@]}\" | sort | paste -sd ' '")
            .arg(framework, completion, BinDir(), row.line);
    const ProcessResult r = RunProgram("/bin/bash", {"-c", script});
    EXPECT_EQ(QString::fromUtf8(r.out).trimmed(), row.expected) << r.err.toStdString();
  }
}

}  // namespace
