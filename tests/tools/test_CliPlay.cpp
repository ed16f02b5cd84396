// `vudeze-cli play` with the bundled engine, run as a child process whose
// ALSA "default" device writes what it plays to a file: what is heard must be
// the 16-bit PCM export of the same text, byte for byte.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "tests/support/TestSupport.h"

namespace {

QString Engine() {
  return BinPath("libvarentts.so");
}

class CliPlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    capture = dir.filePath("heard.raw");
    WriteConfig(
        "default",
        QStringLiteral("{ type file slave.pcm \"null\" file \"%1\" format \"raw\" }").arg(capture));
  }
  void WriteConfig(const QString& device, const QString& body) {
    config = dir.filePath(device + ".conf");
    ASSERT_TRUE(WriteAll(config, QStringLiteral("pcm.!default %1\n").arg(body).toUtf8()));
  }
  QStringList Env() const { return {"ALSA_CONFIG_PATH=/usr/share/alsa/alsa.conf:" + config}; }
  // The audio data of the 16-bit, 16 kHz PCM export of a text file.
  QByteArray Export(const QString& text) {
    const QString wav = dir.filePath("export.wav");
    ProcessResult r = RunProgram(BinPath("vudeze-cli"),
                                 {"export", "-s", Engine(), "--format", "4", "-o", wav, text});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    QByteArray bytes = ReadAll(wav);
    EXPECT_GT(bytes.size(), 44);
    return bytes.mid(44);
  }
  QString TextFile(const QByteArray& bytes) {
    const QString path = dir.filePath("text.txt");
    EXPECT_TRUE(WriteAll(path, bytes));
    return path;
  }
  QTemporaryDir dir;
  QString capture;
  QString config;
};

QByteArray Utf16WithSignature(const QString& text) {
  QByteArray b("\xff\xfe", 2);
  b.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  return b;
}

struct PlayRow {
  const char* name;
  QByteArray file;
  QStringList extraArgs;
  // The text of each block heard, in order (the engine speaks one word a piece).
  QStringList words;
  // "": a "file" device over "null" (swallows data at once, paced by the
  // clock); "yes"/"no": the real-time test sound card with or without pause.
  const char* card = "";
};

class CliPlayRows : public CliPlayTest, public ::testing::WithParamInterface<PlayRow> {};

TEST_P(CliPlayRows, HearsTheExportByteForByte) {
  const PlayRow& row = GetParam();
  const QString text = TextFile(row.file);
  const QByteArray exported = Export(text);
  if (*row.card != '\0')
    WriteConfig("card", QStringLiteral("{ type vudeze_clock file \"%1\" pause %2 }\n"
                                       "pcm_type.vudeze_clock { lib \"%3\" }")
                            .arg(capture, QLatin1String(row.card),
                                 BinPath("libasound_module_pcm_vudeze_clock.so")));

  QStringList args = {"play", "-s", Engine(), "--format", "4"};
  args << row.extraArgs << text;
  QElapsedTimer clock;
  clock.start();
  ProcessResult r = RunProgram(BinPath("vudeze-cli"), args, Env());
  const double seconds = clock.elapsed() / 1000.0;
  ASSERT_EQ(r.exitCode, 0) << r.err.constData();
  const QByteArray heard = ReadAll(capture);
  EXPECT_EQ(heard.size(), exported.size());
  EXPECT_TRUE(heard == exported) << "the sound card heard other bytes than the export holds";

  // A play lasts about as long as its audio (32000 bytes a second), plus the
  // pause; generous bounds only.
  const double audio = exported.size() / 32000.0;
  double pause = 0;
  if (row.extraArgs.contains("--resume-after"))
    pause = row.extraArgs[row.extraArgs.indexOf("--resume-after") + 1].toDouble();
  EXPECT_GE(seconds, 0.9 * audio + pause);
  EXPECT_LT(seconds, 3 * (audio + pause) + 10);

  const QString out = QString::fromUtf8(r.out);
  const QStringList lines = out.split('\n');
  QStringList heardWords;
  int expectedBlock = 0;
  for (const QString& line : lines) {
    static const QRegularExpression blockLine("^block (\\d) heard\\t(.*)$");
    QRegularExpressionMatch m = blockLine.match(line);
    if (!m.hasMatch()) continue;
    EXPECT_EQ(m.captured(1).toInt(), expectedBlock) << "blocks are heard in ring order";
    expectedBlock = (expectedBlock + 1) % 4;
    if (!m.captured(2).isEmpty()) heardWords << m.captured(2);
  }
  EXPECT_EQ(heardWords, row.words);
  EXPECT_TRUE(out.contains("OK\t结束合成\t本次合成正常结束。\nOK\t合成计时\t"))
      << out.toStdString();
  if (pause > 0) {
    const qsizetype paused = out.indexOf("\npaused\n"), resumed = out.indexOf("\nresumed\n");
    EXPECT_GE(paused, 0);
    EXPECT_GT(resumed, paused);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CliPlayRows,
    ::testing::Values(PlayRow{"Plain",
                              "Hello world. This is a test.",
                              {},
                              {"Hello", "world.", "This", "is", "a", "test."}},
                      PlayRow{"PauseAndResume",
                              "Hello world. This is a test.",
                              {"--pause-at", "0.6", "--resume-after", "0.8"},
                              {"Hello", "world.", "This", "is", "a", "test."}},
                      PlayRow{"PauseOnARealTimeCard",
                              "Hello world. This is a test.",
                              {"--pause-at", "0.6", "--resume-after", "0.5"},
                              {"Hello", "world.", "This", "is", "a", "test."},
                              "yes"},
                      PlayRow{"PauseOnACardWithoutPause",
                              "Hello world. This is a test.",
                              {"--pause-at", "0.6", "--resume-after", "0.5"},
                              {"Hello", "world.", "This", "is", "a", "test."},
                              "no"},
                      // Offsets in UCS-2 text are in bytes, two a character.
                      PlayRow{"Ucs2BySignature",
                              Utf16WithSignature(QString::fromUtf8("Hello world. Once again.")),
                              {},
                              {"Hello", "world.", "Once", "again."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliPlayTest, WithoutASoundCardSaysSoAndSpeaksNothing) {
  WriteConfig("missing", "{ type hw card 99 device 0 }");
  const QString text = TextFile("Hello world.");
  ProcessResult r = RunProgram(BinPath("vudeze-cli"), {"play", "-s", Engine(), text}, Env());
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_TRUE(QString::fromUtf8(r.err).contains(
      QString::fromUtf8("打开音频输出设备失败，播放功能将无法使用。")));
  EXPECT_FALSE(r.out.contains("Synth")) << "the engine is not asked to speak";
  EXPECT_TRUE(r.err.indexOf("ALSA lib") < 0) << "ALSA's own messages stay quiet";
}

TEST_F(CliPlayTest, RefusesAPauseWithoutAResume) {
  const QString text = TextFile("Hello.");
  for (const QStringList& extra :
       {QStringList{"--pause-at", "1"}, QStringList{"--resume-after", "1"}, QStringList{}}) {
    QStringList args = {"play", "-s", Engine()};
    args << extra;
    if (!extra.isEmpty()) args << text;  // the empty row has no text file at all
    ProcessResult r = RunProgram(BinPath("vudeze-cli"), args, Env());
    EXPECT_EQ(r.exitCode, 2) << extra.join(' ').toStdString();
  }
}

}  // namespace
