// The speech view's recording: word boxes lie where the word-timings writer
// lays the pieces, in every kind of format; only the most recent stretch
// keeps its samples and spectrogram while the envelope covers everything; the
// spectrogram shows a tone in its bin; a new synthesis drops the old one.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/EngineFormats.h"
#include "engine/SpeechTimings.h"
#include "speechview/SpeechRecording.h"

namespace {

QByteArray Counter(size_t n) {
  QByteArray b(static_cast<qsizetype>(n), '\0');
  for (size_t i = 0; i < n; ++i) b[static_cast<qsizetype>(i)] = static_cast<char>(i * 7);
  return b;
}

// 16-bit samples of a sine at half of full scale, little-endian.
QByteArray Tone(uint32_t rate, double hz, double seconds) {
  const auto n = static_cast<size_t>(rate * seconds);
  QByteArray b(static_cast<qsizetype>(n * 2), '\0');
  for (size_t i = 0; i < n; ++i) {
    const auto v = static_cast<int16_t>(std::lround(16384 * std::sin(2 * M_PI * hz * i / rate)));
    b[static_cast<qsizetype>(2 * i)] = static_cast<char>(v & 0xFF);
    b[static_cast<qsizetype>(2 * i + 1)] = static_cast<char>((v >> 8) & 0xFF);
  }
  return b;
}

void Feed(CSpeechRecording* r, const QByteArray& audio, size_t block) {
  for (qsizetype at = 0; at < audio.size(); at += static_cast<qsizetype>(block))
    r->AppendAudio(
        reinterpret_cast<const uint8_t*>(audio.constData()) + at,
        static_cast<size_t>(std::min<qsizetype>(static_cast<qsizetype>(block), audio.size() - at)));
}

class RecordingFormats : public ::testing::TestWithParam<uint32_t> {};

TEST_P(RecordingFormats, BoxesLieWhereTheTimingsWriterPutsThePieces) {
  const uint32_t code = GetParam();
  const QByteArray text = QStringLiteral("我们 go 到 海边。").toUtf8();
  const auto size = static_cast<uint32_t>(text.size());
  // Words with odd audio sizes, silence that speaks no text before, between
  // and after them, and a piece that runs over two words.
  const std::vector<SpeechPiece> pieces = {{size, size, 301}, {0, 5, 1111},  {7, 8, 64},
                                           {size, size, 77},  {10, 12, 999}, {13, 20, 3001},
                                           {size, size, 5}};
  uint32_t bytes = 0;
  for (const SpeechPiece& p : pieces) bytes += p.audioBytes;

  CSpeechRecording r;
  r.Begin(text, 65001, 4);
  ASSERT_TRUE(r.SetFormat(code));
  // The pieces arrive as they are fetched, ahead of their audio.
  r.AppendPieces({pieces.begin(), pieces.begin() + 3});
  Feed(&r, Counter(bytes), 1000);
  r.AppendPieces({pieces.begin() + 3, pieces.end()});
  r.Finish();
  r.AnalyzeAll();

  CSpeechTimings timings;
  ASSERT_TRUE(timings.SetText(text, 65001));
  const WAVEFORMATEX format = WaveFormatOf(code);
  ASSERT_TRUE(timings.SetFormat(format));
  timings.SetPieces(pieces);
  std::vector<PieceTiming> spoken;
  for (const PieceTiming& t : timings.Timings())
    if (t.hasText) spoken.push_back(t);

  CSpeechRecording::Reader reader(r);
  EXPECT_EQ(reader.Samples(), static_cast<uint64_t>(CSpeechTimings::AudioSamples(format, bytes)));
  ASSERT_EQ(reader.Boxes().size(), spoken.size());
  for (size_t i = 0; i < spoken.size(); ++i) {
    const WordBox& box = reader.Boxes()[i];
    const PieceTiming& t = spoken[i];
    EXPECT_EQ(box.startSample, uint64_t(CSpeechTimings::AudioSamples(format, t.audioOffset))) << i;
    EXPECT_EQ(box.endSample,
              uint64_t(CSpeechTimings::AudioSamples(format, t.audioOffset + t.piece.audioBytes)))
        << i;
    // Times agree with the timings file's milliseconds.
    EXPECT_EQ(int64_t(box.startSample * 1000 / reader.Rate()), t.startMs) << i;
    EXPECT_EQ(reader.Label(box), t.text) << i;
    EXPECT_EQ(box.textStart, t.piece.textStart) << i;
  }
  EXPECT_EQ(reader.Label(reader.Boxes()[0]), QStringLiteral("我们"));
  EXPECT_EQ(reader.SpeechStart(), 4);
}

// PCM 16 and 8 bits, A-law, mu-law, G.721, G.723 (3 and 5 bits), VOX.
INSTANTIATE_TEST_SUITE_P(Codes, RecordingFormats,
                         ::testing::Values(4u, 1u, 11u, 12u, 17u, 19u, 20u, 22u, 21u));

TEST(SpeechRecording, KeepsRecentSamplesAndSpectrogramOnly) {
  CSpeechRecording::Limits limits;
  limits.keepSeconds = 2;
  CSpeechRecording r(limits);
  r.Begin("x", 65001, 0);
  ASSERT_TRUE(r.SetFormat(3));  // 8000 Hz, 16 bits
  const QByteArray second = Tone(8000, 500, 1);
  for (int i = 0; i < 40; ++i) {
    Feed(&r, second, 4096);
    r.AnalyzeSome(true, 1000);  // the analysis keeps up
  }
  r.Finish();
  r.AnalyzeAll();
  CSpeechRecording::Reader reader(r);
  const uint64_t total = reader.Samples(), keep = 2 * 8000;
  EXPECT_EQ(total, 40u * 8000);
  EXPECT_LE(reader.FirstKeptSample(), total - keep);
  EXPECT_GE(reader.FirstKeptSample() + keep + 65536, total);
  std::vector<int16_t> samples;
  EXPECT_FALSE(reader.CopySamples(0, 100, &samples));
  EXPECT_TRUE(reader.CopySamples(total - keep, total, &samples));
  EXPECT_EQ(samples.size(), keep);
  // The envelope still knows the start.
  const SampleRange start = reader.WaveRange(0, 8000);
  EXPECT_GT(start.hi, 16000);
  EXPECT_LT(start.lo, -16000);
  // The spectrogram of the start went with its samples; the end's is there.
  const uint32_t hop = reader.Spectrum().hop;
  EXPECT_EQ(reader.Column(0), nullptr);
  EXPECT_NE(reader.Column((total - keep) / hop + 1), nullptr);
  EXPECT_EQ(reader.ColumnsDone(), (total + hop - 1) / hop);
}

TEST(SpeechRecording, MemoryStaysBoundedWhenTheAnalysisLags) {
  CSpeechRecording::Limits limits;
  limits.keepSeconds = 1;
  limits.envelopeBins = 4096;
  CSpeechRecording r(limits);
  r.Begin("x", 65001, 0);
  ASSERT_TRUE(r.SetFormat(4));  // 16000 Hz
  const QByteArray second = Tone(16000, 300, 1);
  for (int i = 0; i < 120; ++i) Feed(&r, second, 65536);  // two minutes, nothing analysed
  const size_t before = r.MemoryBytes();
  r.Finish();
  r.AnalyzeAll();
  CSpeechRecording::Reader reader(r);
  const uint64_t kept = reader.Samples() - reader.FirstKeptSample();
  EXPECT_LE(kept, 16000u + 65536u);
  // Only the kept stretch was analysed.
  const uint64_t columns = reader.ColumnsDone() - reader.FirstColumn();
  EXPECT_LE(columns, kept / reader.Spectrum().hop + 1);
  // Samples kept, their columns and the envelope's bound; nothing grows
  // with the two minutes.
  const size_t bound =
      (16000 + 2 * 65536) * 2 + (columns + 256) * reader.Spectrum().bins + 2 * 4096 * 4 + 65536;
  EXPECT_LE(before, bound);
}

TEST(SpeechRecording, SpectrogramShowsAToneInItsBin) {
  for (const double hz : {440.0, 1000.0, 3500.0, 7000.0}) {
    CSpeechRecording r;
    r.Begin("x", 65001, 0);
    ASSERT_TRUE(r.SetFormat(4));
    Feed(&r, Tone(16000, hz, 0.5), 65536);
    r.Finish();
    r.AnalyzeAll();
    CSpeechRecording::Reader reader(r);
    const SpectrumShape& shape = reader.Spectrum();
    const uint8_t* column = reader.Column(10);
    ASSERT_NE(column, nullptr);
    uint32_t best = 0;
    for (uint32_t b = 1; b < shape.bins; ++b)
      if (column[b] > column[best]) best = b;
    EXPECT_NEAR(SpectrumBinHz(shape, 16000, best), hz, 16000.0 / shape.window) << hz;
    // Half of full scale: about -6 dB, far above the floor.
    EXPECT_GT(column[best], SpectrumLevelByte(-10)) << hz;
    EXPECT_LT(column[best], SpectrumLevelByte(-3)) << hz;
  }
}

TEST(SpeechRecording, ANewSynthesisForgetsTheLastOne) {
  CSpeechRecording r;
  r.Begin("old words", 65001, 0);
  ASSERT_TRUE(r.SetFormat(4));
  Feed(&r, Counter(10000), 4096);
  r.AppendPieces({{0, 2, 4000}, {4, 8, 6000}});
  r.Begin("new", 65001, 0);
  r.AnalyzeAll();  // pieces of the old one are not made into boxes
  {
    CSpeechRecording::Reader reader(r);
    EXPECT_EQ(reader.Samples(), 0u);
    EXPECT_TRUE(reader.Boxes().empty());
    EXPECT_FALSE(reader.IsValid());
  }
  // A format that cannot be shown takes nothing.
  EXPECT_FALSE(r.SetFormat(25));
  Feed(&r, Counter(1000), 100);
  r.AppendPieces({{0, 2, 1000}});
  r.AnalyzeAll();
  CSpeechRecording::Reader reader(r);
  EXPECT_EQ(reader.Samples(), 0u);
  EXPECT_TRUE(reader.Boxes().empty());
}

TEST(WordBoxes, AtAndFromFindTheBoxOfASample) {
  std::vector<WordBox> boxes(3);
  boxes[0].startSample = 10, boxes[0].endSample = 20;
  boxes[1].startSample = 20, boxes[1].endSample = 35;
  boxes[2].startSample = 50, boxes[2].endSample = 60;
  EXPECT_EQ(WordBoxAt(boxes, 5), -1);
  EXPECT_EQ(WordBoxAt(boxes, 10), 0);
  EXPECT_EQ(WordBoxAt(boxes, 19.9), 0);
  EXPECT_EQ(WordBoxAt(boxes, 20), 1);
  EXPECT_EQ(WordBoxAt(boxes, 40), -1);
  EXPECT_EQ(WordBoxFrom(boxes, 40), 2);
  EXPECT_EQ(WordBoxFrom(boxes, 60), -1);
}

}  // namespace
