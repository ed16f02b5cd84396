// `vudeze-cli replay` run as a separate process with the scriptable engine
// over a small effect log: one audio file per record named by its line, the
// sentence given to the engine with its line breaks restored, a line per
// record, and a malformed line reported and skipped.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "document/SynthLog.h"
#include "tests/support/TestSupport.h"

namespace {

TEST(CliReplay, EachRecordIsSynthesisedAgainIntoAFileNamedByItsLine) {
  QTemporaryDir dir;
  const uint32_t cp = 65001;  // the child runs in a UTF-8 locale
  SynthLogHeader header{QStringLiteral("pc1"), QStringLiteral("lin"), QStringLiteral("/x.so"),
                        QStringLiteral("1.0")};
  const QString time = QStringLiteral("26/12/09-15:20:51");
  QByteArray log = SynthLogHeaderBytes(header, cp);  // lines 1 to 6
  log += SynthLogLine(time, QStringLiteral("G"), QStringLiteral("1"), QStringLiteral("world"),
                      QStringLiteral("Hello world"), cp);  // line 7
  log += "this line is not a record\r\n";                  // line 8
  log += "\r\n";                                           // line 9
  log += SynthLogLine(time, QStringLiteral("S"), QStringLiteral("1"), QStringLiteral("b"),
                      QStringLiteral("a[LF]b c"), cp);  // line 10
  const QString logPath = dir.filePath(QStringLiteral("Synth.log"));
  WriteAll(logPath, log);

  const QString script = dir.filePath(QStringLiteral("script.txt"));
  WriteAll(script, "engine E1 127.0.0.1\nwords 100\n");
  const QString out = dir.filePath(QStringLiteral("out"));
  const ProcessResult r =
      RunProgram(BinPath(QStringLiteral("vudeze-cli")),
                 {QStringLiteral("replay"), QStringLiteral("-s"),
                  BinPath(QStringLiteral("libtestengine.so")), QStringLiteral("-o"), out, logPath},
                 {QStringLiteral("TESTENGINE_SCRIPT=") + script, QStringLiteral("LC_ALL=C.UTF-8")});
  const QString stdoutText = QString::fromUtf8(r.out);
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString() << stdoutText.toStdString();

  // 100 audio bytes per text byte of each word, behind a 44-byte header.
  EXPECT_EQ(QDir(out).entryList(QDir::Files), QStringList({"10.wav", "7.wav"}));
  EXPECT_EQ(ReadAll(out + "/7.wav").size(), 44 + 100 * 10);
  EXPECT_GT(ReadAll(out + "/10.wav").size(), 44 + 100 * 2);
  EXPECT_TRUE(stdoutText.contains(QStringLiteral("Text = \"Hello world\"")));
  EXPECT_TRUE(stdoutText.contains(QStringLiteral("Text = \"a\n")) ||
              stdoutText.contains(QStringLiteral("Text = \"a\\n")))
      << stdoutText.toStdString();
  const QStringList lines = stdoutText.split('\n');
  QStringList replay;
  for (const QString& line : lines)
    if (line.contains(QStringLiteral("\tReplay\t"))) replay << line.section('\t', 2);
  EXPECT_EQ(replay, QStringList({QStringLiteral("line 7: %1/7.wav: Hello world").arg(out),
                                 QStringLiteral("line 8: not a record of an effect log; skipped"),
                                 QStringLiteral("line 10: %1/10.wav: a[LF]b c").arg(out),
                                 QStringLiteral("2 records replayed, 0 failed, 1 lines skipped")}));
}

}  // namespace
