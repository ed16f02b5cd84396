// The speech view's picture, drawn without a window: a tone's energy lies in
// the spectrogram row of its frequency, each word box's border stands at the
// pixel of its piece's start, a stretch whose samples are gone shows a grey
// spectrogram but still its waveform, and audio not made yet is blank.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "speechview/SpeechPicture.h"
#include "speechview/SpeechRecording.h"

namespace {

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

// The spectrogram row that is brightest on average.
int BrightestRow(const QImage& image, const QRect& area) {
  int best = -1;
  double bestLevel = -1;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    double sum = 0;
    for (int x = area.left(); x <= area.right(); ++x) sum += qGray(image.pixel(x, y));
    if (sum > bestLevel) bestLevel = sum, best = y;
  }
  return best;
}

class PictureTones : public ::testing::TestWithParam<double> {};

TEST_P(PictureTones, ATonesEnergyLiesInItsRow) {
  const double hz = GetParam();
  SpeechAudio speech{Tone(16000, hz, 2), 4, "tone", 65001, {{0, 3, 64000}}};
  const QImage image = PlotSpeech(speech, QSize(300, 400), QStringLiteral("%1 s"));
  ASSERT_FALSE(image.isNull());
  const SpeechPictureLayout layout = LayoutSpeechPicture(image.size());
  EXPECT_NEAR(BrightestRow(image, layout.spectrum), SpectrumRowOf(layout, hz, 16000), 2) << hz;
}

INSTANTIATE_TEST_SUITE_P(Frequencies, PictureTones,
                         ::testing::Values(250.0, 1000.0, 3000.0, 6500.0));

TEST(SpeechPicture, BoxesStandAtTheirPiecesStart) {
  // Three words of 0.25, 0.5 and 0.25 s after 0.1 s of silence, at 8 kHz.
  const QByteArray text = "one two six";
  SpeechAudio speech{Tone(8000, 300, 1.1),
                     3,
                     text,
                     65001,
                     {{11, 11, 1600}, {0, 2, 4000}, {4, 6, 8000}, {8, 10, 4000}}};
  const QImage image = PlotSpeech(speech, QSize(880, 300), QStringLiteral("%1 s"));
  ASSERT_FALSE(image.isNull());
  const SpeechPictureLayout layout = LayoutSpeechPicture(image.size());
  const int y = layout.tier.top() + 3;  // above the labels
  // 8800 samples over 880 pixels: 10 a pixel.
  for (const int x : {80, 280, 680}) {
    // The border is drawn on the box's first pixel column.
    EXPECT_EQ(image.pixel(x, y), kBoxBorder) << x;
    EXPECT_NE(image.pixel(x + 2, y), kBoxBorder) << x;
    EXPECT_NE(image.pixel(x - 2, y), kBoxBorder) << x;
  }
  EXPECT_NE(image.pixel(40, y), kBoxBorder);  // the silence has no box
  EXPECT_EQ(image.pixel(40, y), kTierBackground);
}

TEST(SpeechPicture, OldStretchesShowTheirEnvelopeOnly) {
  CSpeechRecording::Limits limits;
  limits.keepSeconds = 2;
  CSpeechRecording r(limits);
  r.Begin("x", 65001, 0);
  ASSERT_TRUE(r.SetFormat(3));
  const QByteArray second = Tone(8000, 1000, 1);
  for (int i = 0; i < 30; ++i) {
    r.AppendAudio(reinterpret_cast<const uint8_t*>(second.constData()),
                  static_cast<size_t>(second.size()));
    r.AnalyzeAll();
  }
  r.Finish();
  r.AnalyzeAll();
  const QImage image = DrawWholeSpeech(r, QSize(300, 300), QStringLiteral("%1 s"));
  const SpeechPictureLayout layout = LayoutSpeechPicture(image.size());
  const int mid = layout.spectrum.center().y();
  EXPECT_EQ(image.pixel(10, mid), kNotKept);
  EXPECT_NE(image.pixel(295, SpectrumRowOf(layout, 1000, 8000)), kNotKept);
  // The waveform of the start is still drawn: the trace reaches near the top.
  bool trace = false;
  for (int y = layout.wave.top(); y < layout.wave.center().y() - 5; ++y)
    trace |= image.pixel(10, y) == kWaveTrace;
  EXPECT_TRUE(trace);
}

TEST(SpeechPicture, AudioNotMadeYetIsBlank) {
  CSpeechRecording r;
  r.Begin("x", 65001, 0);
  ASSERT_TRUE(r.SetFormat(4));
  const QByteArray half = Tone(16000, 500, 1);
  r.AppendAudio(reinterpret_cast<const uint8_t*>(half.constData()),
                static_cast<size_t>(half.size()));
  r.AnalyzeAll();
  QImage image(400, 300, QImage::Format_RGB32);
  SpeechViewRange range;
  range.perPixel = 16000 * 2 / 400.0;  // two seconds, one made
  DrawSpeechPicture(r, range, QStringLiteral("%1 s"), &image);
  const SpeechPictureLayout layout = LayoutSpeechPicture(image.size());
  EXPECT_NE(image.pixel(100, layout.spectrum.center().y()),
            image.pixel(300, layout.spectrum.center().y()));
  EXPECT_EQ(image.pixel(300, layout.wave.top() + 2), image.pixel(390, layout.spectrum.top() + 2));
}

}  // namespace
