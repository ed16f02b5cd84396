// Several synthesiser helpers share a text: the bytes are the same whatever
// their number (one or three, set through VARENTTS_HELPERS in a child
// process of this test) and whether or not the first words are answered
// early (VARENTTS_EARLY), a text fetched piece by piece keeps its order, and
// a helper that dies is replaced while the others keep theirs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>

#include "plugins/bgvoice/BgVoiceService.h"
#include "tests/varentts/VarenttsHarness.h"

namespace {

// Long enough for several blocks of chunks on every helper, with a prompt
// tone and a question among them.
std::string LongText() {
  std::string text;
  for (int i = 0; i < 40; ++i) {
    text += "Sentence number " + std::to_string(i) +
            " walks past the river, and the wind answers it. Does it rest? ";
    if (i == 17) text += "Now a short one. ";
  }
  return text;
}

const char* kOutVariable = "VARENTTS_HELPERS_TEST_OUT";

// Runs in the child processes only: speaks the texts and writes the bytes and
// the piece offsets to the file the parent named.
TEST(VarenTtsHelpersChild, SpeakIntoFile) {
  const QByteArray out = qgetenv(kOutVariable);
  if (out.isEmpty()) GTEST_SKIP() << "run by HelpersAnyNumber only";
  CVarenTts e;
  ASSERT_TRUE(e.Load());
  void* instance = e.Connect();
  ASSERT_NE(instance, nullptr);
  QByteArray all;
  struct Row {
    int voice;
    int format;
    std::string text;
    bool background = false;
  };
  std::string mandarin;
  for (int i = 0; i < 30; ++i) mandarin += "我们今天去北京看朋友。天气很好，大家都很高兴。";
  // A first sentence of many words, read over a background sound.
  const std::string longFirst =
      "Under the old bridge, where the river turns slowly towards the hills and the evening light "
      "falls on the water, seven children counted the boats that passed. " +
      LongText();
  const Row rows[] = {{6, 4, LongText()},
                      {7, 17, LongText()},
                      {1, 22, mandarin},
                      {0, 4, "我用Linux写程序，三个bugs。" + LongText()},
                      {6, 4, longFirst, true},
                      // Its first events name one word: nothing settles early.
                      {6, 4, "1234567 and 89. " + LongText()}};
  int32_t background = -1;
  if (void* module = dlopen(BinPath("libbgvoice.so").toUtf8().constData(), RTLD_NOW)) {
    auto init =
        reinterpret_cast<bgvoice::IBgVoiceService* (*)()>(dlsym(module, "bgvoice_module_init"));
    bgvoice::IBgVoiceService* service = init ? init() : nullptr;
    bgvoice::ISoundList* list = service ? service->SoundList(u"abbrev") : nullptr;
    if (list && list->Count() > 0) background = static_cast<int32_t>(list->Value(0));
  }
  for (const Row& row : rows) {
    ASSERT_EQ(e.Set(instance, TTS_PARAM_VOICE, row.voice), 0u);
    ASSERT_EQ(e.Set(instance, TTS_PARAM_AUDIODATAFMT, row.format), 0u);
    ASSERT_EQ(e.Set(instance, TTS_PARAM_BACKGROUNDSOUND, row.background ? background : -1), 0u);
    std::vector<VtPiece> pieces;
    ASSERT_EQ(e.Speak(instance, row.text, &pieces), 0u);
    ASSERT_GT(pieces.size(), 100u);
    for (const VtPiece& p : pieces) {
      all.append(reinterpret_cast<const char*>(p.audio.data()),
                 static_cast<qsizetype>(p.audio.size()));
      all.append(QByteArray::number(p.start) + ":" + QByteArray::number(p.end) + ";");
    }
  }
  ASSERT_TRUE(WriteAll(QString::fromLocal8Bit(out), all));
}

TEST(VarenTtsHelpers, SameBytesWithOneOrThreeHelpersAndWithoutEarlyWords) {
  QTemporaryDir work;
  ASSERT_TRUE(work.isValid());
  struct Run {
    int helpers;
    int early;
  };
  const Run runs[] = {{1, 1}, {3, 1}, {3, 0}};
  QByteArray results[3];
  for (int i = 0; i < 3; ++i) {
    const QString out = work.path() + QString("/out%1").arg(i);
    ProcessResult r = RunProgram(
        QCoreApplication::applicationFilePath(),
        {"--gtest_filter=VarenTtsHelpersChild.SpeakIntoFile"},
        {QString("VARENTTS_HELPERS=%1").arg(runs[i].helpers),
         QString("VARENTTS_EARLY=%1").arg(runs[i].early), QString("%1=%2").arg(kOutVariable, out)});
    ASSERT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    results[i] = ReadAll(out);
    ASSERT_GT(results[i].size(), 200000) << "run " << i;
  }
  EXPECT_TRUE(results[0] == results[1]) << "one helper and three helpers differ";
  EXPECT_TRUE(results[1] == results[2]) << "the first words answered early differ";
}

// The synthesiser processes this process started (/proc lists each thread's
// children).
std::vector<pid_t> SynthHelpers() {
  std::vector<pid_t> pids;
  for (const QString& task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QByteArray children = ReadAll("/proc/self/task/" + task + "/children");
    for (const QByteArray& pid : children.split(' ')) {
      if (pid.trimmed().isEmpty()) continue;
      if (ReadAll("/proc/" + pid.trimmed() + "/comm").trimmed() == "varentts-synth")
        pids.push_back(pid.trimmed().toInt());
    }
  }
  std::sort(pids.begin(), pids.end());
  return pids;
}

class VarenTtsHelpersInProcess : public VarenTtsSuite {};

TEST_F(VarenTtsHelpersInProcess, HelperThatDiesIsReplacedAndTheTextSpeaksTheSame) {
  const std::string text = LongText();
  std::vector<VtPiece> pieces;
  ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
  const std::vector<VtPiece> first = pieces;
  const std::vector<pid_t> helpers = SynthHelpers();
  ASSERT_FALSE(helpers.empty());
  ASSERT_EQ(kill(helpers.back(), SIGKILL), 0);
  // The call that finds it gone fails cleanly (or, if the helper was already
  // replaced, succeeds); the next one speaks as before.
  uint32_t rc = s_engine->Speak(s_instance, text, &pieces);
  EXPECT_TRUE(rc == 0 || rc == TTSERR_ENGINEFAIL) << rc;
  if (rc != 0) s_engine->TTSClean(s_instance);
  ASSERT_EQ(s_engine->Speak(s_instance, text, &pieces), 0u);
  ASSERT_EQ(pieces.size(), first.size());
  for (size_t i = 0; i < pieces.size(); ++i) {
    EXPECT_EQ(pieces[i].audio, first[i].audio) << "piece " << i;
    EXPECT_EQ(pieces[i].start, first[i].start) << "piece " << i;
  }
  const std::vector<pid_t> now = SynthHelpers();
  EXPECT_EQ(now.size(), helpers.size()) << "the dead helper is reaped, a new one runs";
  EXPECT_EQ(std::count(now.begin(), now.end(), helpers.back()), 0);
}

}  // namespace
