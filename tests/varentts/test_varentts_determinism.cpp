// The same text, voice and settings give the same bytes every time: twice in
// one process, after other texts, voices, rates and full volume in between,
// on two instances, and across processes whether or not the home folder is
// new. Synthesis touches no sound server: no files of one appear in the home
// or temporary folder.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "tests/varentts/VarenttsHarness.h"

namespace {

struct SpeakRow {
  const char* name;
  int voice;   // female voices carry breath noise and an echo
  int volume;  // +20 drives espeak-ng into its overflow limiter
  int rate;
  std::string text;  // several sentences: later chunks are synthesised ahead
};

const SpeakRow kRows[] = {
    {"EnglishMale", 6, 0, 0, "The quick brown fox jumps over the lazy dog. Is it here? Yes!"},
    {"EnglishFemaleLoud", 7, 20, 0, "Pack my box with five dozen jugs. Then carry it home."},
    {"MandarinFemale", 1, 0, 0, "我们今天去北京看朋友。天气很好，大家都很高兴。"},
    {"GermanMaleFast", 12, -10, 300, "Guten Morgen. Wie geht es dir heute?"},
    {"DefaultMixedScripts", 0, 0, 0, "我用Linux写程序，3个bugs。Привет, 세계! こんにちは。"},
};

class Determinism : public VarenTtsSuite, public ::testing::WithParamInterface<SpeakRow> {
 protected:
  static std::vector<uint8_t> Speak(void* instance, const SpeakRow& row) {
    EXPECT_EQ(s_engine->Set(instance, TTS_PARAM_VOICE, row.voice), 0u);
    EXPECT_EQ(s_engine->Set(instance, TTS_PARAM_VOLUME, row.volume), 0u);
    EXPECT_EQ(s_engine->Set(instance, TTS_PARAM_RATE, row.rate), 0u);
    std::vector<VtPiece> pieces;
    EXPECT_EQ(s_engine->Speak(instance, row.text, &pieces), 0u);
    std::vector<uint8_t> bytes;
    for (const VtPiece& p : pieces) bytes.insert(bytes.end(), p.audio.begin(), p.audio.end());
    return bytes;
  }
};

TEST_P(Determinism, SameBytesAgainAfterOtherSpeech) {
  const SpeakRow& row = GetParam();
  const std::vector<uint8_t> first = Speak(s_instance, row);
  ASSERT_GT(first.size(), 16000u);
  EXPECT_EQ(Speak(s_instance, row), first) << "spoken twice in a row";

  // Other texts, voices, rates and full volume in between leave nothing
  // behind (espeak-ng would carry its echo, limiter gain, pitch flutter and
  // pause state over).
  for (const SpeakRow& other : kRows) {
    SpeakRow loud = other;
    loud.volume = 20;
    Speak(s_instance, loud);
    SpeakRow sameText = row;
    sameText.voice = other.voice;
    Speak(s_instance, sameText);
  }
  EXPECT_EQ(Speak(s_instance, row), first) << "after other speech";

  // A second instance speaks it the same way too.
  void* second = nullptr;
  {
    TTSConnectBlock block{};
    block.version = TTS_CONNECT_VERSION;
    std::strcpy(block.engineName, "espeak-ng");
    second = s_engine->TTSConnect(&block);
  }
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(Speak(second, row), first) << "on a second instance";
  EXPECT_EQ(s_engine->TTSDisconnect(second), 0u);
}

INSTANTIATE_TEST_SUITE_P(Voices, Determinism, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// Exports one text in a child process with the given home and temporary
// folders; the exported file's bytes.
QByteArray ExportIn(const QString& home, const QString& tmp, const QString& work) {
  const QString text = work + "/text.txt";
  const QString out = work + "/out.wav";
  QFile::remove(out);
  EXPECT_TRUE(WriteAll(text, "Hello there. The first run speaks like every other run."));
  ProcessResult r = RunProgram(
      BinPath("vudeze-cli"),
      {"export", "-s", BinPath("libvarentts.so"), "--voice", "7", "--format", "4", "-o", out, text},
      // The child inherits the service registry's address that this process
      // published once the engine loaded; it must know better than to follow it.
      {"HOME=" + home, "XDG_CONFIG_HOME=" + home + "/.config", "TMPDIR=" + tmp});
  EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
  return ReadAll(out);
}

TEST(DeterminismAcrossProcesses, FreshHomeGivesTheSameBytesAsLaterRunsAndLeavesNoFiles) {
  QTemporaryDir home, work;
  ASSERT_TRUE(home.isValid() && work.isValid());
  // A temporary folder whose path espeak-ng can read voice files from: short
  // and lower case.
  const QString tmpPath = QString("/tmp/vtdet%1").arg(QCoreApplication::applicationPid());
  ASSERT_TRUE(QDir().mkpath(tmpPath));
  struct Remove {
    QString path;
    ~Remove() { QDir(path).removeRecursively(); }
  } removeTmp{tmpPath};
  QDir tmp(tmpPath);
  const QByteArray fresh = ExportIn(home.path(), tmp.path(), work.path());
  ASSERT_GT(fresh.size(), 44 + 16000);
  EXPECT_EQ(ExportIn(home.path(), tmp.path(), work.path()), fresh) << "second run, same home";
  QTemporaryDir otherHome;
  EXPECT_EQ(ExportIn(otherHome.path(), tmp.path(), work.path()), fresh) << "another new home";
  EXPECT_EQ(tmp.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList())
      << "a sound server's runtime files";
  EXPECT_FALSE(QDir(home.path() + "/.config/pulse").exists()) << "a sound server's settings";
}

}  // namespace
