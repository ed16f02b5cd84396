// vudeze-cli engines and voices, run as the built program against the
// third-party style engine and the scriptable test engine; stdout is compared
// line for line.
#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

const QString kThirdParty = BinPath("libthirdparty_engine.so");

struct CliRun {
  int exitCode;
  QString out;
  QString err;
};

CliRun Cli(const QStringList& args, const QStringList& env = {}) {
  const ProcessResult r = RunProgram(BinPath("vudeze-cli"), args, env);
  return {r.exitCode, QString::fromUtf8(r.out), QString::fromUtf8(r.err)};
}

class CliEnginesTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  // A script file for TESTENGINE_SCRIPT, and the environment entry naming it.
  QString Script(const QByteArray& text) {
    const QString path = m_dir.filePath(QStringLiteral("script%1.txt").arg(m_scripts++));
    EXPECT_TRUE(WriteAll(path, text));
    return QStringLiteral("TESTENGINE_SCRIPT=") + path;
  }
  QTemporaryDir m_dir;
  int m_scripts = 0;
};

TEST_F(CliEnginesTest, ListsEveryEngineOfTheThirdPartyLibrary) {
  const CliRun r = Cli({"engines", "-s", kThirdParty});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "01. tts://127.0.0.1/TPVoiceA\n02. tts://10.20.30.40/TPVoiceB\n");
}

TEST_F(CliEnginesTest, ServerAddressRestrictsTheListing) {
  const CliRun r = Cli({"engines", "-s", kThirdParty, "--server", "10.20.30.40"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "01. tts://10.20.30.40/TPVoiceB\n");

  const CliRun none = Cli({"engines", "-s", kThirdParty, "--server", "192.0.2.1"});
  EXPECT_NE(none.exitCode, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_TRUE(none.err.contains("0x00000013 No suitable engine was found."))
      << none.err.toStdString();
}

TEST_F(CliEnginesTest, NumbersTakeTwoDigitsAndGrowBeyond) {
  const CliRun r =
      Cli({"engines", "-s", BinPath("libtestengine.so")}, {Script("engines 100 Eng 127.0.0.1\n")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 100);
  EXPECT_EQ(lines[0], "01. tts://127.0.0.1/Eng001");
  EXPECT_EQ(lines[9], "10. tts://127.0.0.1/Eng010");
  EXPECT_EQ(lines[99], "100. tts://127.0.0.1/Eng100");
}

TEST_F(CliEnginesTest, MultibyteNamesAreShownInTheAnsiCodePage) {
  // Under a UTF-8 locale the ANSI code page is 65001: the record's bytes are
  // UTF-8 and come out unchanged.
  const CliRun r =
      Cli({"engines", "-s", BinPath("libtestengine.so")},
          {Script("engine \"\\xe6\\x99\\xae\\xe9\\x80\\x9a\\xe8\\xaf\\x9d\" 10.0.0.1\n"),
           "LC_ALL=C.UTF-8"});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, QString::fromUtf8("01. tts://10.0.0.1/普通话\n"));
}

TEST_F(CliEnginesTest, FailuresPrintTheCodeAndItsMessage) {
  QTemporaryDir dir;
  const QString notLibrary = dir.filePath("libfake.so");
  ASSERT_TRUE(WriteAll(notLibrary, "plain text"));
  struct Row {
    QStringList args;
    QStringList env;
    QString expected;
  } rows[] = {
      {{"engines", "-s", dir.filePath("libmissing.so")}, {}, "0x0000007e"},
      {{"engines", "-s", notLibrary}, {}, "0x000000c1"},
      {{"engines", "-s", BinPath("libtestengine_noentry.so")},
       {},
       "0x00000807 The library is not a speech engine library."},
      {{"engines", "-s", BinPath("libtestengine.so")},
       {Script("engine E1 a\nresult SEMFindFirstEngine 1283\n")},
       "0x00000503 The engine's resource files are missing or damaged."},
      {{"voices", "-s", BinPath("libtestengine.so")},
       {Script("engine E1 a\nresult TTSConnect 32\n")},
       "0x00000020"},
      {{"voices", "-s", kThirdParty, "--engine", "Nobody"},
       {},
       "0x0000000b No engine of that name at that address."},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.join(' ').toStdString());
    const CliRun r = Cli(row.args, row.env);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains(row.expected)) << r.err.toStdString();
  }
}

TEST_F(CliEnginesTest, VoicesOfTheFirstEngineByDefault) {
  const CliRun r = Cli({"voices", "-s", kThirdParty});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out,
            "General: EngineId = 1, VoiceId = 1, Name = Lan\n"
            "Characteristic: Gender = Female, Age = Youth\n"
            "Language supported: ZHO(1)\n"
            "Sample-rate supported: 16000, 8000\n"
            "\n"
            "General: EngineId = 1, VoiceId = 2, Name = Feng\n"
            "Characteristic: Gender = Male, Age = Middle-Age\n"
            "Language supported: ZHO(1)\n"
            "Sample-rate supported: 16000\n");
}

TEST_F(CliEnginesTest, VoicesOfANamedEngine) {
  const CliRun r = Cli({"voices", "-s", kThirdParty, "--engine", "TPVoiceB"});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out,
            "General: EngineId = 2, VoiceId = 7, Name = Mei\n"
            "Characteristic: Gender = Female, Age = Child\n"
            "Language supported: ENG_USA(0)\n"
            "Sample-rate supported: 8000\n");
}

TEST_F(CliEnginesTest, VoicesThroughTheObjectForm) {
  const CliRun r = Cli({"voices", "-s", BinPath("libtestengine_object.so")},
                       {Script("engine Obj 127.0.0.1\n"
                               "voice 4 Ana 1 4 1045:2,2052:1 6000 engineid=3\n"
                               "voice 6 Bo 7 9 - -\n")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out,
            "General: EngineId = 3, VoiceId = 4, Name = Ana\n"
            "Characteristic: Gender = Female, Age = Agedness\n"
            "Language supported: Unknown(2), ZHO(1)\n"
            "Sample-rate supported: 6000\n"
            "\n"
            "General: EngineId = 0, VoiceId = 6, Name = Bo\n"
            "Characteristic: Gender = Unknown, Age = Unknown\n"
            "Language supported: \n"
            "Sample-rate supported: \n");
}

TEST_F(CliEnginesTest, EngineWithoutVoicesPrintsNothing) {
  const CliRun r = Cli({"voices", "-s", BinPath("libtestengine.so")}, {Script("engine E1 a\n")});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  EXPECT_EQ(r.out, "");
}

TEST_F(CliEnginesTest, StoredSettingsChooseLibraryAddressAndEngine) {
  // A settings store of its own: the stored library, restricted to its
  // stored address, is what start-up loads when nothing else names one.
  QTemporaryDir config;
  {
    QSettings s(config.path() + "/Varenco/VUDEZE 5.0.conf", QSettings::IniFormat);
    s.setValue("Adapter/SvcModule", kThirdParty);
    s.setValue("Adapter/ServerIP", "10.20.30.40");
    s.setValue("Adapter/EngineName", "TPVoiceB");
    s.setValue("Adapter/AssignIP", 1);
  }
  const QStringList env = {"XDG_CONFIG_HOME=" + config.path()};
  const CliRun engines = Cli({"engines"}, env);
  EXPECT_EQ(engines.exitCode, 0) << engines.err.toStdString();
  EXPECT_EQ(engines.out, "01. tts://10.20.30.40/TPVoiceB\n");

  const CliRun voices = Cli({"voices"}, env);
  EXPECT_EQ(voices.exitCode, 0) << voices.err.toStdString();
  EXPECT_TRUE(voices.out.startsWith("General: EngineId = 2, VoiceId = 7, Name = Mei\n"))
      << voices.out.toStdString();

  // Another library named with -s is listed whole: the stored address
  // belongs to the stored library.
  const CliRun other = Cli({"engines", "-s", BinPath("libtestengine.so")},
                           {env[0], Script("engine X 1.1.1.1\nengine Y 2.2.2.2\n")});
  EXPECT_EQ(other.out, "01. tts://1.1.1.1/X\n02. tts://2.2.2.2/Y\n");
}

TEST_F(CliEnginesTest, EngineCallsFollowTheStartUpAndExitOrder) {
  const QString log = m_dir.filePath("calls.log");
  const CliRun r = Cli({"voices", "-s", BinPath("libtestengine.so"), "--engine", "E2"},
                       {Script(("logfile " + log +
                                "\nengine E1 a\nengine E2 b\n"
                                "voice 1 V 1 1 - 16000\n")
                                   .toUtf8())});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QStringList calls = QString::fromUtf8(ReadAll(log)).split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(
      calls,
      QStringList({"SEMFindFirstEngine nofilter", "SEMGetEngineInfo class=19 size=1762",
                   "SEMFindNextEngine", "SEMGetEngineInfo class=19 size=1762", "SEMFindNextEngine",
                   "SEMFindClose", "TTSInitializeEx", "TTSConnect version=257 name=E2 address=b",
                   "TTSUnloadUserLib 0", "SEMFindFirstVoice reserved=0", "SEMFindNextVoice",
                   "SEMFindClose", "TTSDisconnect", "TTSUninitialize", "TTSUninitialize"}))
      << calls.join('\n').toStdString();
}

TEST_F(CliEnginesTest, UsageErrorsExitWithTwo) {
  const QList<QStringList> cases = {
      {}, {"nonsense"}, {"engines", "-s"}, {"engines", "--bogus"}, {"voices", "--server"},
  };
  for (const QStringList& args : cases) {
    SCOPED_TRACE(args.join(' ').toStdString());
    const CliRun r = Cli(args);
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.contains("usage: vudeze-cli")) << r.err.toStdString();
  }
}

}  // namespace
