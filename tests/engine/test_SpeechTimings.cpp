// Word timings: pieces laid on the audio, text offsets mapped to characters,
// sentences for subtitles, the JSON and SubRip files, the atomic write.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "engine/EngineFormats.h"
#include "engine/SpeechTimings.h"
#include "platform/CodePage.h"
#include "platform/SysError.h"
#include "tests/support/SrtParser.h"
#include "tests/support/TestSupport.h"

namespace {

// The pieces of a text split at blanks, each word's bytes times perByte of
// audio, as an engine with exact word offsets reports them.
std::vector<SpeechPiece> WordPieces(const QByteArray& bytes, uint32_t perByte) {
  std::vector<SpeechPiece> pieces;
  qsizetype i = 0;
  while (i < bytes.size()) {
    while (i < bytes.size() && bytes[i] == ' ') ++i;
    const qsizetype start = i;
    while (i < bytes.size() && bytes[i] != ' ') ++i;
    if (i > start)
      pieces.push_back({uint32_t(start), uint32_t(i - 1), uint32_t((i - start) * perByte)});
  }
  return pieces;
}

CSpeechTimings Make(const QString& text, uint32_t cp, uint32_t formatCode,
                    std::vector<SpeechPiece> pieces) {
  CSpeechTimings t;
  const QByteArray bytes = WideToMultiByte(cp, text);
  EXPECT_TRUE(t.SetText(bytes, cp));
  EXPECT_TRUE(t.SetFormat(WaveFormatOf(formatCode)));
  t.SetPieces(std::move(pieces));
  return t;
}

TEST(SpeechTimings, PiecesLieOnTheAudioOneAfterAnother) {
  const QString text = QStringLiteral("你好 world 再见");  // 936: 4 + 1 + 5 + 1 + 4 bytes
  const QByteArray bytes = WideToMultiByte(936, text);
  ASSERT_EQ(bytes.size(), 15);
  std::vector<SpeechPiece> pieces = WordPieces(bytes, 3201);
  pieces.push_back({15, 15, 999});                      // silence the engine adds at the end
  const CSpeechTimings t = Make(text, 936, 4, pieces);  // PCM 16 kHz 16-bit
  const std::vector<PieceTiming> timings = t.Timings();
  ASSERT_EQ(timings.size(), 4u);
  uint64_t before = 0;
  for (size_t i = 0; i < timings.size(); ++i) {
    EXPECT_EQ(timings[i].piece.textStart, pieces[i].textStart);
    EXPECT_EQ(timings[i].piece.textEnd, pieces[i].textEnd);
    EXPECT_EQ(timings[i].audioOffset, before);
    EXPECT_EQ(timings[i].startMs, int64_t(before / 2 * 1000 / 16000)) << i;
    before += pieces[i].audioBytes;
    EXPECT_EQ(timings[i].endMs, int64_t(before / 2 * 1000 / 16000)) << i;
  }
  EXPECT_EQ(timings[0].text, QStringLiteral("你好"));
  EXPECT_EQ(timings[0].charStart, 0);
  EXPECT_EQ(timings[0].charEnd, 2);
  EXPECT_EQ(timings[1].text, QStringLiteral("world"));
  EXPECT_EQ(timings[1].charStart, 3);
  EXPECT_EQ(timings[2].charStart, 9);
  EXPECT_FALSE(timings[3].hasText);
}

TEST(SpeechTimings, OffsetsInsideACharacterTakeTheWholeCharacter) {
  // UTF-16 with a character outside the BMP: offsets count code points.
  const QString text = QStringLiteral("a\U0001F600b");
  CSpeechTimings t;
  QByteArray bytes;
  for (QChar c : text) bytes.append(char(c.unicode() & 0xFF)).append(char(c.unicode() >> 8));
  ASSERT_TRUE(t.SetText(bytes, 1200));
  ASSERT_TRUE(t.SetFormat(WaveFormatOf(4)));
  t.SetPieces({{3, 4, 10}, {6, 7, 10}});  // from the middle of the pair; "b"
  const std::vector<PieceTiming> timings = t.Timings();
  EXPECT_EQ(timings[0].charStart, 1);
  EXPECT_EQ(timings[0].charEnd, 2);
  EXPECT_EQ(timings[0].text, QStringLiteral("\U0001F600"));
  EXPECT_EQ(timings[1].charStart, 2);
  EXPECT_EQ(timings[1].charEnd, 3);
  // Bytes that are not text of the code page are refused.
  EXPECT_FALSE(t.SetText(QByteArray("\x81", 1), 936));
  EXPECT_FALSE(t.SetText(QByteArray("abc", 3), 1200));
}

TEST(SpeechTimings, SubByteFormatsCountSamples) {
  const struct {
    uint32_t code;
    uint64_t bytes;
    int64_t ms;
  } rows[] = {
      {17, 4000, 1000},  // G.721 8 kHz, 4 bits: 8000 samples
      {18, 3000, 1000},  // G.721 6 kHz
      {19, 3000, 1000},  // G.723 3-bit at 8 kHz: 8000 samples
      {20, 5000, 1000},  // G.723 5-bit
      {22, 4, 1},        // VOX 8 kHz: 8 samples = 1 ms
      {11, 8000, 1000},  // A-law 8 kHz
      {3, 15999, 999},   // PCM 8 kHz 16-bit: a half sample is no sample
  };
  for (const auto& row : rows)
    EXPECT_EQ(CSpeechTimings::AudioMs(WaveFormatOf(row.code), row.bytes), row.ms) << row.code;
  CSpeechTimings t;
  EXPECT_FALSE(t.SetFormat(WaveFormatOf(23)));  // no sample size
  EXPECT_FALSE(t.SetFormat(WAVEFORMATEX{}));
}

TEST(SpeechTimings, JsonCarriesEveryPieceAndEscapesTheText) {
  const QString text = QStringLiteral("say \"hi\"\\\nnow");
  const QByteArray bytes = WideToMultiByte(65001, text);
  CSpeechTimings t;
  ASSERT_TRUE(t.SetText(bytes, 65001));
  ASSERT_TRUE(t.SetFormat(WaveFormatOf(4)));
  t.SetPieces({{0, 2, 320}, {4, 9, 640}, {99, 99, 32}});
  QJsonParseError error{};
  const QJsonDocument doc = QJsonDocument::fromJson(t.Json(), &error);
  ASSERT_EQ(error.error, QJsonParseError::NoError) << t.Json().toStdString();
  const QJsonObject root = doc.object();
  EXPECT_EQ(root["audio"]["bytes"].toInteger(), 992);
  EXPECT_EQ(root["audio"]["durationMs"].toInteger(), 31);
  EXPECT_EQ(root["text"]["codePage"].toInteger(), 65001);
  EXPECT_EQ(root["text"]["characters"].toInteger(), text.size());
  const QJsonArray pieces = root["pieces"].toArray();
  ASSERT_EQ(pieces.size(), 3);
  EXPECT_EQ(pieces[1]["text"].toString(), QStringLiteral("\"hi\"\\\n"));
  EXPECT_EQ(pieces[1]["textStart"].toInteger(), 4);
  EXPECT_EQ(pieces[1]["textEnd"].toInteger(), 9);
  EXPECT_EQ(pieces[1]["audioOffset"].toInteger(), 320);
  EXPECT_EQ(pieces[1]["startMs"].toInteger(), 10);
  EXPECT_EQ(pieces[1]["endMs"].toInteger(), 30);
  EXPECT_TRUE(pieces[2]["charStart"].isNull());
  EXPECT_EQ(pieces[2]["text"].toString(), QString());
}

TEST(SpeechTimings, SubtitlesHaveOneCuePerSentence) {
  const QString text = QStringLiteral(
      "今天天气很好。我们去公园吧！Pi is 3.14 today. \"Really?\" Yes\n\nA title\n\nEnd");
  const QByteArray bytes = WideToMultiByte(65001, text);
  // One piece per character or word, as the bundled engine gives them.
  std::vector<SpeechPiece> pieces{{0, 0, 1600}};  // leading silence, no text
  pieces.back().textStart = pieces.back().textEnd = uint32_t(bytes.size());
  const QStringList words = {QStringLiteral("今天"),
                             QStringLiteral("天气"),
                             QStringLiteral("很好"),
                             QStringLiteral("我们"),
                             QStringLiteral("去"),
                             QStringLiteral("公园吧"),
                             "Pi",
                             "is",
                             "3.14",
                             "today",
                             "Really",
                             "Yes",
                             "A",
                             "title",
                             "End"};
  qsizetype from = 0;
  for (const QString& w : words) {
    const qsizetype at = text.indexOf(w, from);
    ASSERT_GE(at, 0) << w.toStdString();
    from = at + w.size();
    const auto start = uint32_t(WideToMultiByte(65001, text.left(at)).size());
    const auto end = uint32_t(WideToMultiByte(65001, text.left(from)).size() - 1);
    pieces.push_back({start, end, 3200});
  }
  CSpeechTimings t;
  ASSERT_TRUE(t.SetText(bytes, 65001));
  ASSERT_TRUE(t.SetFormat(WaveFormatOf(4)));
  t.SetPieces(pieces);

  std::vector<SrtCue> cues;
  QString why;
  ASSERT_TRUE(ParseSrtStrictly(t.Srt(), &cues, &why)) << why.toStdString();
  QStringList texts;
  for (const SrtCue& c : cues) texts << c.text;
  EXPECT_EQ(texts, (QStringList{QStringLiteral("今天天气很好。"), QStringLiteral("我们去公园吧！"),
                                "Pi is 3.14 today.", "\"Really?\"", "Yes", "A title", "End"}));
  // 100 ms per word piece, 50 ms of leading silence with the first cue.
  EXPECT_EQ(cues[0].startMs, 0);
  EXPECT_EQ(cues[0].endMs, 350);
  EXPECT_EQ(cues[1].startMs, 350);
  EXPECT_EQ(cues.back().endMs, 1550);
}

TEST(SpeechTimings, WritesWholeOrNotAtAll) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("t.json"));
  ASSERT_EQ(WriteFileAtomically(path, "first"), 0u);
  ASSERT_EQ(WriteFileAtomically(path, "second"), 0u);
  EXPECT_EQ(ReadAll(path), QByteArray("second"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"t.json"});  // no leftovers
  if (::geteuid() != 0) {  // the superuser may write anything
    QFile::setPermissions(path, QFile::ReadOwner);
    EXPECT_EQ(WriteFileAtomically(path, "third"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ReadAll(path), QByteArray("second"));
  }
  EXPECT_EQ(WriteFileAtomically(dir.filePath("missing/t.json"), "x"), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(WriteFileAtomically(dir.path(), "x"), ERROR_ACCESS_DENIED);
  // The writer picks the format by the name.
  const QString srt = dir.filePath(QStringLiteral("t.SRT"));
  ASSERT_EQ(WriteSpeechTimings(srt, "Hi.", 65001, WaveFormatOf(4), {{0, 1, 320}}), 0u);
  EXPECT_EQ(ReadAll(srt), QByteArray("1\n00:00:00,000 --> 00:00:00,010\nHi.\n\n"));
  EXPECT_EQ(WriteSpeechTimings(srt, "\x81", 936, WaveFormatOf(4), {}), ERROR_INVALID_DATA);
}

}  // namespace
