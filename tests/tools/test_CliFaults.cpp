// `vudeze-cli` tried as a user would break it, with the bundled engine and
// real files, FIFOs, pipes and signals: the output file is replaced only by a
// complete export, a file that cannot be finished fails the export, signals
// stop it cleanly, a reader that quits is a reported write error, an ini
// file others may write is ignored, and each refused input says why.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

class CliFaultsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QString Text(const QString& name, const QByteArray& bytes) {
    EXPECT_TRUE(WriteAll(Path(name), bytes));
    return Path(name);
  }
  QString LongText() {
    QByteArray text;
    for (int i = 0; i < 3000; ++i) text += "This sentence is long enough to take a while. ";
    return Text("long.txt", text);
  }
  static QStringList Engine() { return {"-s", BinPath("libvarentts.so")}; }
  ProcessResult Cli(const QStringList& args, const QStringList& env = {}) {
    return RunProgram(BinPath("vudeze-cli"), args, env);
  }
  // Runs a shell command line (for a current folder or a pipeline).
  static ProcessResult Shell(const QString& line) {
    return RunProgram(QStringLiteral("/bin/bash"), {"-c", line});
  }
  // The last report before the timing report that follows every end report.
  static QString LastLine(const QByteArray& out) {
    QStringList lines = QString::fromUtf8(out).trimmed().split('\n');
    if (lines.size() > 1 && lines.last().startsWith(QStringLiteral("OK\t合成计时\t")))
      lines.removeLast();
    return lines.last();
  }
  QStringList Leftovers() const {
    return QDir(m_dir.path()).entryList({".vudeze-*"}, QDir::Files | QDir::Hidden);
  }
  QTemporaryDir m_dir;
};

TEST_F(CliFaultsTest, WaveIntoAFifoFailsItsCloseAndRawStreams) {
  const QString text = Text("t.txt", "Hello world.");
  const QString fifo = Path("fifo");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  struct Row {
    const char* format;
    int exitCode;
    const char* last;
  } rows[] = {{"4", 1, "Failed 132\t结束合成\t本次合成出错，错误码=0x00000084"},
              {"17", 0, "OK\t结束合成\t本次合成正常结束。"}};
  for (const Row& row : rows) {
    // The FIFO's reader is a process of its own: this test forks no threads.
    const QString heardPath = Path("heard");
    const ProcessResult r = Shell(
        QStringLiteral("cat '%1' > '%2' & '%3' export -s '%4' --format %5 -o '%1' '%6'; rc=$?; "
                       "wait; exit $rc")
            .arg(fifo, heardPath, BinPath("vudeze-cli"), BinPath("libvarentts.so"),
                 QLatin1String(row.format), text));
    EXPECT_EQ(r.exitCode, row.exitCode) << row.format << r.err.constData();
    EXPECT_EQ(LastLine(r.out), QString::fromUtf8(row.last)) << row.format;
    if (row.exitCode != 0) {
      EXPECT_TRUE(r.err.contains("0x00000084 The file pointer cannot be set")) << r.err.constData();
    }
    EXPECT_GT(ReadAll(heardPath).size(), 1000);
    EXPECT_TRUE(QFileInfo(fifo).isFile() == false) << "the FIFO was replaced by a file";
  }
}

TEST_F(CliFaultsTest, SignalsStopTheExportAndLeaveTheOldFile) {
  const QString text = LongText();
  const QString out = Path("out.wav");
  for (int signo : {SIGINT, SIGTERM, SIGHUP}) {
    ASSERT_TRUE(WriteAll(out, "the old export"));
    QProcess p;
    p.start(BinPath("vudeze-cli"), QStringList{"export"} + Engine() + QStringList{"-o", out, text});
    ASSERT_TRUE(p.waitForStarted());
    // Stopped once the audio flows.
    QByteArray seen;
    while (!seen.contains("\tFetch\t") && p.waitForReadyRead(20000))
      seen += p.readAllStandardOutput();
    ASSERT_TRUE(seen.contains("\tFetch\t")) << signo;
    ::kill(static_cast<pid_t>(p.processId()), signo);
    ASSERT_TRUE(p.waitForFinished(30000)) << signo;
    seen += p.readAllStandardOutput();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << signo;
    EXPECT_EQ(p.exitCode(), 128 + signo);
    EXPECT_EQ(LastLine(seen),
              QStringLiteral("Failed 995\t结束合成\t本次合成出错，错误码=0x000003e3"));
    EXPECT_TRUE(p.readAllStandardError().contains("Stopped by signal")) << signo;
    EXPECT_EQ(ReadAll(out), "the old export") << signo;
    EXPECT_TRUE(Leftovers().isEmpty()) << signo;
  }
}

TEST_F(CliFaultsTest, TwoExportsIntoOneNameLeaveOneCompleteFile) {
  const QString a = Text("a.txt", "The first text, spoken whole.");
  const QString b = Text("b.txt", "A second and rather different text, also spoken whole.");
  ASSERT_EQ(Cli(QStringList{"export"} + Engine() + QStringList{"-o", Path("a.wav"), a}).exitCode,
            0);
  ASSERT_EQ(Cli(QStringList{"export"} + Engine() + QStringList{"-o", Path("b.wav"), b}).exitCode,
            0);
  const QString both = Path("both.wav");
  QProcess first, second;
  first.start(BinPath("vudeze-cli"), QStringList{"export"} + Engine() + QStringList{"-o", both, a});
  second.start(BinPath("vudeze-cli"),
               QStringList{"export"} + Engine() + QStringList{"-o", both, b});
  ASSERT_TRUE(first.waitForFinished(60000) && second.waitForFinished(60000));
  EXPECT_EQ(first.exitCode(), 0);
  EXPECT_EQ(second.exitCode(), 0);
  const QByteArray result = ReadAll(both);
  EXPECT_TRUE(result == ReadAll(Path("a.wav")) || result == ReadAll(Path("b.wav")));
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(CliFaultsTest, AReaderThatQuitsIsAReportedWriteError) {
  const QString line =
      QStringLiteral(
          "'%1' export -s '%2' --format 17 -o /dev/stdout '%3' | head -c 100 >/dev/null;"
          " echo \"exit=${PIPESTATUS[0]}\" >&2")
          .arg(BinPath("vudeze-cli"), BinPath("libvarentts.so"), LongText());
  const ProcessResult r = Shell(line);
  EXPECT_TRUE(r.err.contains("exit=1\n")) << r.err.constData();
  EXPECT_TRUE(r.err.contains("0x000000e8 The pipe is being closed.")) << r.err.constData();
}

// A full disk (here: the file size limit) fails the export with its code;
// the partial audio is removed and the old file stays.
TEST_F(CliFaultsTest, AFullDiskKeepsTheOldFile) {
  const QString out = Path("out.wav");
  ASSERT_TRUE(WriteAll(out, "the old export"));
  const ProcessResult r =
      Shell(QStringLiteral("ulimit -f 4096; '%1' export -s '%2' -o '%3' '%4'")
                .arg(BinPath("vudeze-cli"), BinPath("libvarentts.so"), out, LongText()));
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(LastLine(r.out),
            QStringLiteral("Failed 112\t结束合成\t本次合成出错，错误码=0x00000070"));
  EXPECT_TRUE(r.err.contains("0x00000070 There is not enough space on the disk."))
      << r.err.constData();
  EXPECT_EQ(ReadAll(out), "the old export");
  EXPECT_TRUE(Leftovers().isEmpty());
}

TEST_F(CliFaultsTest, CurrentFolderIniIsUsedOnlyWhenPrivate) {
  const QString folder = Path("work");
  ASSERT_TRUE(QDir().mkpath(folder));
  ASSERT_TRUE(WriteAll(folder + "/vudeze.ini", "[engine]\nmodule=/nonexistent/libplanted.so\n"));
  const QString line = QStringLiteral("cd '%1' && '%2' engines").arg(folder, BinPath("vudeze-cli"));
  ::chmod(QFile::encodeName(folder).constData(), 0700);
  const ProcessResult own = Shell(line);
  EXPECT_NE(own.exitCode, 0);
  EXPECT_TRUE(own.err.contains("/nonexistent/libplanted.so")) << "a private ini is used";

  ::chmod(QFile::encodeName(folder).constData(), 0777);
  const ProcessResult shared = Shell(line);
  ::chmod(QFile::encodeName(folder).constData(), 0700);
  EXPECT_EQ(shared.exitCode, 0) << shared.err.constData();
  EXPECT_TRUE(shared.out.contains("tts://")) << "the bundled engine instead";
  EXPECT_TRUE(shared.err.contains("vudeze.ini is ignored: ")) << shared.err.constData();
  EXPECT_TRUE(shared.err.contains("may be written by other users")) << shared.err.constData();
}

TEST_F(CliFaultsTest, RefusedInputsSayWhy) {
  const QString text = Text("t.txt", "Hi.");
  const QString folder = m_dir.path();
  ASSERT_TRUE(WriteAll(Path("big.txt"), QByteArray(2097152, 'a')));
  // ALSA's default device swallows what it is given: play reaches the device.
  const QString alsa = Path("alsa.conf");
  ASSERT_TRUE(WriteAll(alsa, "pcm.!default { type file slave.pcm \"null\" file \"/dev/null\" }\n"));
  const QStringList env{"ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:" + alsa};
  struct Row {
    QStringList args;
    int exitCode;
    QString err;  // the whole of stderr
  } rows[] = {
      {{"play", "--format", "17", text},
       1,
       "Play: 0x00000020 The sound device cannot play audio in this format.\n"},
      {{"export", "-o", "", Path("big.txt")}, 1, Path("big.txt") + ": 0x000000df "},
      {{"export", "--codepage", "12345", "-o", "", text},
       2,
       "--codepage 12345 is not a code page this system can convert\n"},
      {{"export", "-o", "", folder}, 1, folder + " is a folder, not a text file\n"},
      {{"export", "-o", folder, text}, 1, folder + " is a folder: -o needs the name of a file\n"},
      {{"engines", "-s", folder},
       1,
       folder + " is a folder, not an engine library: 0x00000807 The library is not a speech "
                "engine library.\n"},
  };
  for (const Row& row : rows) {
    QStringList args = row.args;
    if (!args.contains("-s")) args.insert(1, "-s"), args.insert(2, BinPath("libvarentts.so"));
    const ProcessResult r = Cli(args, env);
    EXPECT_EQ(r.exitCode, row.exitCode) << row.args.join(' ').toStdString();
    const QString err = QString::fromUtf8(r.err);
    EXPECT_TRUE(err == row.err ||
                (row.err.endsWith(' ') && err.startsWith(row.err) && err.count('\n') == 1))
        << row.args.join(' ').toStdString() << ": " << r.err.constData();
  }
  for (const char* value : {"nan", "inf", "-inf", "1e308", "86401"}) {
    const ProcessResult r = Cli({"play", "--pause-at", value, "--resume-after", "1", text}, env);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.startsWith(
        QStringLiteral("--pause-at takes seconds from 0 to 86400, not \"%1\"").arg(value).toUtf8()))
        << r.err.constData();
  }
}

TEST_F(CliFaultsTest, ANulInTheTextIsShownInTheReport) {
  const QString text = Text("nul.txt", QByteArray("Hello\0world", 11));
  const ProcessResult r = Cli(QStringList{"export"} + Engine() + QStringList{"-o", "", text});
  EXPECT_EQ(r.exitCode, 0) << r.err.constData();
  EXPECT_EQ(QString::fromUtf8(r.out).split('\n').first(),
            QStringLiteral("OK\tSynth\tText buffer size = 11, Text = \"Hello\\0world\"."));
}

}  // namespace
