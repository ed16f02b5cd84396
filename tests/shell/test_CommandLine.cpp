// Start-up options: the engine library flag, the framework's own reading of
// the rest of the line, and where vudeze.ini is taken from.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "shell/CommandLine.h"

namespace {

struct Parsed {
  CTtsCommandLineInfo info;
  bool engineFromCmdLine = false;
};

// The ini file has already run: it named a library and asked for no splash.
Parsed Parse(const QStringList& args) {
  Parsed p;
  p.info.m_strEngineModule = "/ini/libengine.so";
  p.info.m_bShowSplash = false;
  p.engineFromCmdLine = ParseCommandLine(args, &p.info);
  return p;
}

TEST(CommandLine, EngineFlagTakesTheNextArgumentWhole) {
  for (const char* flag : {"-s", "-S", "-silent"}) {
    const Parsed p = Parse({flag, "/opt/my engines/libtts.so", "story.txt"});
    EXPECT_TRUE(p.engineFromCmdLine) << flag;
    EXPECT_EQ(p.info.m_strEngineModule, "/opt/my engines/libtts.so") << flag;
    EXPECT_EQ(p.info.m_strFileName, "story.txt") << flag;
    EXPECT_EQ(p.info.m_nShellCommand, CCommandLineInfo::FileOpen) << flag;
    EXPECT_TRUE(p.info.m_bShowSplash) << flag;  // the last argument's processing ran
  }
}

TEST(CommandLine, EngineFlagAsTheLastArgumentOnlyMarksTheCommandLine) {
  const Parsed p = Parse({"-s"});
  EXPECT_TRUE(p.engineFromCmdLine);
  EXPECT_EQ(p.info.m_strEngineModule, "/ini/libengine.so");
}

// With the library as the last argument the end-of-line processing never
// runs: the file named before it is not opened and the splash wish stays.
TEST(CommandLine, LibraryAsTheLastArgumentLeavesTheFileUnopened) {
  const Parsed p = Parse({"story.txt", "-s", "/opt/libtts.so"});
  EXPECT_EQ(p.info.m_strEngineModule, "/opt/libtts.so");
  EXPECT_EQ(p.info.m_strFileName, "story.txt");
  EXPECT_EQ(p.info.m_nShellCommand, CCommandLineInfo::FileNew);
  EXPECT_FALSE(p.info.m_bShowSplash);
}

// On this system "/..." is a path, never a flag.
TEST(CommandLine, SlashStartsAPathNotAFlag) {
  const Parsed p = Parse({"/srv/texts/story.txt"});
  EXPECT_FALSE(p.engineFromCmdLine);
  EXPECT_EQ(p.info.m_strFileName, "/srv/texts/story.txt");
  EXPECT_EQ(p.info.m_nShellCommand, CCommandLineInfo::FileOpen);
}

TEST(CommandLine, EmbeddingKeepsTheSplashOffAndOnlyTheFirstFileCounts) {
  Parsed p = Parse({"a.txt", "b.txt", "-Embedding"});
  EXPECT_EQ(p.info.m_strFileName, "a.txt");
  EXPECT_FALSE(p.info.m_bShowSplash);
  p = Parse({});
  EXPECT_EQ(p.info.m_nShellCommand, CCommandLineInfo::FileNew);
  EXPECT_FALSE(p.info.m_bShowSplash);  // nothing ran: the ini file's wish stays
}

class IniOptions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_app.isValid() && m_cwd.isValid());
    // Temporary folders are the user's own and private.
    ::chmod(QFile::encodeName(m_cwd.path()).constData(), 0700);
  }
  static void Write(const QString& path, const QByteArray& text, int mode = 0600) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    ::chmod(QFile::encodeName(path).constData(), mode);
  }
  void Read() {
    m_info = CTtsCommandLineInfo();
    m_options = CStartupOptions();
    m_warning.clear();
    ReadIniOptions(&m_info, &m_options, m_app.path(), m_cwd.path(), &m_warning);
  }
  QTemporaryDir m_app, m_cwd;
  CTtsCommandLineInfo m_info;
  CStartupOptions m_options;
  QString m_warning;
};

TEST_F(IniOptions, MissingFileGivesTheDefaults) {
  Read();
  EXPECT_TRUE(m_info.m_strEngineModule.isEmpty());
  EXPECT_EQ(m_options.console, 0);
  EXPECT_TRUE(m_info.m_bShowSplash);
  EXPECT_TRUE(m_options.iniPath.isEmpty());
}

TEST_F(IniOptions, TheProgramsFolderComesFirst) {
  Write(m_app.filePath("vudeze.ini"), "[engine]\nmodule=/a/liba.so\n[splash]\nshow=0\n");
  Write(m_cwd.filePath("vudeze.ini"), "[engine]\nmodule=/b/libb.so\n[console]\nshow=1\n");
  Read();
  EXPECT_EQ(m_info.m_strEngineModule, "/a/liba.so");
  EXPECT_FALSE(m_info.m_bShowSplash);
  EXPECT_EQ(m_options.console, 0);
}

TEST_F(IniOptions, TheCurrentFoldersFileIsUsedWhenItIsTheUsersOwn) {
  Write(m_cwd.filePath("vudeze.ini"), "[engine]\nmodule=/b/libb.so\n[console]\nshow=yes\n");
  Read();
  EXPECT_EQ(m_info.m_strEngineModule, "/b/libb.so");
  EXPECT_EQ(m_options.console, 0);  // not a number
  EXPECT_EQ(m_options.iniPath, m_cwd.filePath("vudeze.ini"));
  EXPECT_TRUE(m_warning.isEmpty());
}

// A file that others may have written (or put in a folder others may write
// into) must not make the program load a library of their choosing.
TEST_F(IniOptions, APlantedFileInTheCurrentFolderIsIgnored) {
  Write(m_cwd.filePath("vudeze.ini"), "[engine]\nmodule=/tmp/evil.so\n", 0666);
  Read();
  EXPECT_TRUE(m_info.m_strEngineModule.isEmpty());
  EXPECT_TRUE(m_options.iniPath.isEmpty());
  EXPECT_TRUE(m_warning.contains("may be written by other users")) << qPrintable(m_warning);

  ::chmod(QFile::encodeName(m_cwd.filePath("vudeze.ini")).constData(), 0600);
  ::chmod(QFile::encodeName(m_cwd.path()).constData(), 0777);
  Read();
  EXPECT_TRUE(m_info.m_strEngineModule.isEmpty());
  ::chmod(QFile::encodeName(m_cwd.path()).constData(), 0700);
}

}  // namespace
