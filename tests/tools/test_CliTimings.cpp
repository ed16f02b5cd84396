// `vudeze-cli export --timings`: the pieces of the timings file are the
// pieces the export fetched (the "Fetch" reports), laid on the audio that
// reached the file, and the subtitles read back strictly.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "engine/EngineFormats.h"
#include "engine/SpeechTimings.h"
#include "tests/support/SrtParser.h"
#include "tests/support/TestSupport.h"

namespace {

class CliTimingsTest : public ::testing::Test {
 protected:
  ProcessResult Export(const QStringList& args, const QStringList& env = {}) {
    return RunProgram(BinPath(QStringLiteral("vudeze-cli")),
                      QStringList{QStringLiteral("export")} + args, env);
  }
  QString Path(const QString& name) const { return m_dir.filePath(name); }
  QJsonArray Pieces(const QString& json) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(ReadAll(json), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError);
    return doc.object()["pieces"].toArray();
  }
  QTemporaryDir m_dir;
};

// The audio lengths of the "Fetch" reports, in order.
std::vector<qint64> FetchLengths(const QByteArray& out) {
  static const QRegularExpression kFetch(
      QStringLiteral("^OK\\tFetch\\tAudio data length = (\\d+),"),
      QRegularExpression::MultilineOption);
  std::vector<qint64> lengths;
  auto it = kFetch.globalMatch(QString::fromUtf8(out));
  while (it.hasNext()) lengths.push_back(it.next().captured(1).toLongLong());
  return lengths;
}

TEST_F(CliTimingsTest, ScriptedPiecesKeepTheirOffsetsAndLieOnTheAudio) {
  WriteAll(Path("script.txt"), "engine E1 127.0.0.1\nwords 100 lead=40 trail=60\n");
  WriteAll(Path("text.txt"), "Hello big world");
  // G.721 at 8 kHz: 4-bit samples, so 100 bytes are 25 ms.
  const ProcessResult r = Export({"-s", BinPath("libtestengine.so"), "--format", "17", "--timings",
                                  Path("t.json"), "-o", Path("t.g21"), Path("text.txt")},
                                 {"TESTENGINE_SCRIPT=" + Path("script.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const QJsonArray pieces = Pieces(Path("t.json"));
  const struct {
    int start, end, bytes;
    const char* text;
  } expected[] = {{15, 15, 40, ""},
                  {0, 4, 500, "Hello"},
                  {6, 8, 300, "big"},
                  {10, 14, 500, "world"},
                  {15, 15, 60, ""}};
  ASSERT_EQ(pieces.size(), 5);
  qint64 before = 0;
  for (int i = 0; i < 5; ++i) {
    const QJsonObject p = pieces[i].toObject();
    EXPECT_EQ(p["textStart"].toInteger(), expected[i].start) << i;
    EXPECT_EQ(p["textEnd"].toInteger(), expected[i].end) << i;
    EXPECT_EQ(p["audioBytes"].toInteger(), expected[i].bytes) << i;
    EXPECT_EQ(p["text"].toString(), QString::fromLatin1(expected[i].text)) << i;
    EXPECT_EQ(p["startMs"].toInteger(), before / 4) << i;
    before += expected[i].bytes;
  }
  EXPECT_EQ(ReadAll(Path("t.g21")).size(), before);  // raw ADPCM: every byte is audio

  // A timings file that cannot be written fails the command after the audio.
  const ProcessResult bad = Export({"-s", BinPath("libtestengine.so"), "--timings",
                                    Path("no/such/t.srt"), "-o", Path("u.wav"), Path("text.txt")},
                                   {"TESTENGINE_SCRIPT=" + Path("script.txt")});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_TRUE(bad.err.contains("Writing the word timings to")) << bad.err.toStdString();
}

TEST_F(CliTimingsTest, BundledEngineWordsAndSentences) {
  WriteAll(Path("text.txt"), "今天天气很好。Hello world! 我们去公园吧。");
  const QStringList common = {"-s", BinPath("libvarentts.so"), "--codepage", "65001"};
  const ProcessResult r = Export(
      common + QStringList{"--timings", Path("t.json"), "-o", Path("t.wav"), Path("text.txt")});
  ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
  const std::vector<qint64> fetched = FetchLengths(r.out);
  const QJsonArray pieces = Pieces(Path("t.json"));
  ASSERT_EQ(size_t(pieces.size()), fetched.size());
  qint64 before = 0;
  for (qsizetype i = 0; i < pieces.size(); ++i) {
    const QJsonObject p = pieces[i].toObject();
    EXPECT_EQ(p["audioBytes"].toInteger(), fetched[size_t(i)]) << i;
    EXPECT_EQ(p["audioOffset"].toInteger(), before) << i;
    EXPECT_EQ(p["startMs"].toInteger(), before / 2 * 1000 / 16000) << i;
    before += fetched[size_t(i)];
  }
  EXPECT_EQ(ReadAll(Path("t.wav")).size() - 44, before);  // the WAVE data
  EXPECT_EQ(pieces[0].toObject()["text"].toString(), QStringLiteral("今"));

  const ProcessResult s = Export(
      common + QStringList{"--timings", Path("t.srt"), "-o", Path("t.wav"), Path("text.txt")});
  ASSERT_EQ(s.exitCode, 0) << s.err.toStdString();
  std::vector<SrtCue> cues;
  QString why;
  ASSERT_TRUE(ParseSrtStrictly(ReadAll(Path("t.srt")), &cues, &why)) << why.toStdString();
  ASSERT_EQ(cues.size(), 3u);
  EXPECT_EQ(cues[0].text, QStringLiteral("今天天气很好。"));
  EXPECT_EQ(cues[1].text, QStringLiteral("Hello world!"));
  EXPECT_EQ(cues[2].endMs, CSpeechTimings::AudioMs(WaveFormatOf(4), uint64_t(before)));
}

}  // namespace
