// `cmake --install` into a temporary prefix: the tree has every part in its
// standard place, the installed front end speaks with the installed engine,
// and the installed program starts with that engine, its language packs and
// its help (as it tells on the console when vudeze.ini switches it on).
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

class Install : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    s_prefix = s_dir->filePath(QStringLiteral("prefix"));
    s_install = RunProgram(QStringLiteral("cmake"),
                           {"--install", QDir::cleanPath(BinDir() + "/.."), "--prefix", s_prefix});
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  void SetUp() override { ASSERT_EQ(s_install.exitCode, 0) << s_install.err.toStdString(); }
  static QString P(const QString& relative) { return s_prefix + '/' + relative; }

  static QTemporaryDir* s_dir;
  static QString s_prefix;
  static ProcessResult s_install;
};
QTemporaryDir* Install::s_dir = nullptr;
QString Install::s_prefix;
ProcessResult Install::s_install;

TEST_F(Install, EveryPartIsInItsStandardPlace) {
  for (const char* file :
       {"bin/vudeze", "bin/vudeze-cli", "lib/vudeze/libvarentts.so", "lib/vudeze/varentts-synth",
        "lib/vudeze/libbgvoice.so", "lib/vudeze/varentts-data/abbrev.lex",
        "share/vudeze/EnuLangPack.rcc", "share/vudeze/ChtLangPack.rcc",
        "share/vudeze/vudeze-defaults.conf", "share/vudeze/help/index.html",
        "share/applications/vudeze.desktop", "share/icons/hicolor/48x48/apps/vudeze.png",
        "share/icons/hicolor/16x16/apps/vudeze.png"})
    EXPECT_TRUE(QFileInfo(P(file)).isFile()) << file;
  EXPECT_TRUE(QFileInfo(P("bin/vudeze")).isExecutable());
  // Nothing the tests use is installed.
  EXPECT_FALSE(QFileInfo::exists(P("lib/vudeze/libtestengine.so")));
  EXPECT_FALSE(QFileInfo::exists(P("bin/test_Install")));
  // The settings and the desktop entry name the installed files.
  EXPECT_TRUE(ReadAll(P("share/vudeze/vudeze-defaults.conf"))
                  .contains("SvcModule=" + P("lib/vudeze/libvarentts.so").toUtf8() + '\n'));
  const QByteArray entry = ReadAll(P("share/applications/vudeze.desktop"));
  EXPECT_TRUE(entry.startsWith("[Desktop Entry]\n"));
  EXPECT_TRUE(entry.contains("\nExec=" + P("bin/vudeze").toUtf8() + " %f\n"));
  EXPECT_TRUE(entry.contains("\nIcon=vudeze\n"));
  EXPECT_TRUE(ReadAll(P("share/vudeze/help/index.html")).contains("<h2 id=\"keys\">Keys</h2>"));
}

TEST_F(Install, TheInstalledFrontEndSpeaksWithTheInstalledEngine) {
  const QString text = s_dir->filePath("hello.txt");
  const QString wav = s_dir->filePath("hello.wav");
  ASSERT_TRUE(WriteAll(text, "Hello from the installed tree."));
  const ProcessResult r = RunProgram(P("bin/vudeze-cli"), {"export", "-o", wav, text});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QByteArray audio = ReadAll(wav);
  EXPECT_TRUE(audio.startsWith("RIFF"));
  EXPECT_GT(audio.size(), 16000);  // more than half a second at 16 kHz
}

TEST_F(Install, TheInstalledProgramComesUpWithEngineAndHelp) {
  // The console switch, from a vudeze.ini in the (private) current folder.
  QTemporaryDir work;
  ASSERT_TRUE(WriteAll(work.filePath("vudeze.ini"), "[console]\nshow=1\n[splash]\nshow=0\n"));
  QProcess program;
  program.setWorkingDirectory(work.path());
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  program.setProcessEnvironment(env);
  program.start(P("bin/vudeze"), {});
  ASSERT_TRUE(program.waitForStarted(10000));
  QByteArray err;
  for (int waited = 0; !err.contains("vudeze: help: ") && waited < 60; ++waited) {
    program.waitForReadyRead(1000);
    err += program.readAllStandardError();
  }
  program.kill();
  program.waitForFinished(10000);
  EXPECT_TRUE(
      err.contains("vudeze: engine " + P("lib/vudeze/libvarentts.so").toUtf8() + ": espeak-ng\n"))
      << err.toStdString();
  EXPECT_TRUE(err.contains("vudeze: language packs: " + P("share/vudeze").toUtf8() + '\n'));
  EXPECT_TRUE(err.contains("vudeze: help: " + P("share/vudeze/help/index.html").toUtf8() + '\n'));
}

}  // namespace
