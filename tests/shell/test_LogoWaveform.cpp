// The logo window's picture without the window: how many 10 ms columns a
// block fills, where each column's trace lies, and how the picture scrolls.
#include <gtest/gtest.h>

#include <QImage>
#include <vector>

#include "shell/LogoWaveform.h"

namespace {

WAVEFORMATEX Format(uint32_t rate, uint16_t bits) {
  return {WAVE_FORMAT_PCM, 1, rate, rate * bits / 8, uint16_t(bits / 8), bits, 0};
}

const QSize kClient(46, 24);

// The rows of column x that are green.
std::vector<int> TraceRows(const QImage& image, int x) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (image.pixel(x, y) == kLogoTrace) rows.push_back(y);
  return rows;
}

TEST(LogoWaveform, ColumnsAreTenMillisecondsOfSamples) {
  EXPECT_EQ(LogoColumnCount(Format(16000, 16), 65536), 204u);  // 32768 samples / 160
  EXPECT_EQ(LogoColumnCount(Format(8000, 8), 65536), 819u);
  EXPECT_EQ(LogoColumnCount(Format(22050, 16), 44100), 100u);
  EXPECT_EQ(LogoColumnCount(Format(16000, 24), 65536), 136u);  // counted, drawn as 0
  EXPECT_EQ(LogoColumnCount(Format(99, 16), 65536), 0u);       // under one sample a column
  EXPECT_EQ(LogoColumnCount(Format(16000, 0), 65536), 0u);
  EXPECT_EQ(LogoColumnCount(Format(16000, 16), 319), 0u);  // less than one column
}

TEST(LogoWaveform, SilenceDrawsOnlyTheCentreLine) {
  const std::vector<uint8_t> zeros(65536, 0), mid(65536, 128);
  for (const auto& [bits, data] :
       {std::pair{16, &zeros}, std::pair{8, &mid}, std::pair{24, &mid}}) {
    SCOPED_TRACE(bits);
    QImage image;
    const WAVEFORMATEX f = Format(16000, uint16_t(bits));
    ASSERT_TRUE(DrawLogoWaveform(f, data->data(), uint32_t(data->size()), kClient, &image));
    EXPECT_EQ(image.size(), QSize(46 + int(LogoColumnCount(f, 65536)), 24));
    for (int x = 0; x < image.width(); ++x) ASSERT_EQ(TraceRows(image, x), std::vector<int>{12});
  }
  EXPECT_TRUE(MakeLogoBitmap(QSize(0, 24)).isNull());
}

TEST(LogoWaveform, EachColumnSpansItsSmallestToLargestSample) {
  // 16 bits at 16000 Hz: column c holds samples 160c to 160c+159.
  std::vector<uint8_t> block(5 * 320, 0);
  auto put = [&](int sample, int16_t v) {
    block[2 * sample] = uint8_t(v & 0xff);
    block[2 * sample + 1] = uint8_t(uint16_t(v) >> 8);
  };
  put(160 + 7, 16384);  // column 1: a quarter up and a quarter down
  put(160 + 150, -16384);
  put(2 * 160 + 3, 32767);  // column 2: full scale both ways
  put(2 * 160 + 4, -32768);
  put(3 * 160 + 159, 2731);  // column 3: one sample, above the centre only
  QImage image;
  ASSERT_TRUE(
      DrawLogoWaveform(Format(16000, 16), block.data(), uint32_t(block.size()), kClient, &image));
  ASSERT_EQ(image.width(), 46 + 5);
  const int x0 = 23;  // the trace starts in the middle of the window
  EXPECT_EQ(TraceRows(image, x0), std::vector<int>{12});
  std::vector<int> quarter, full, small;
  for (int y = 6; y <= 18; ++y) quarter.push_back(y);  // 12 - 24*16384/65536 = 6
  for (int y = 1; y <= 23; ++y) full.push_back(y);     // 12 - 11 (truncated) to 12 + 12, clipped
  for (int y = 11; y <= 12; ++y) small.push_back(y);   // 12 - 24*2731/65536 = 11
  EXPECT_EQ(TraceRows(image, x0 + 1), quarter);
  EXPECT_EQ(TraceRows(image, x0 + 2), full);
  EXPECT_EQ(TraceRows(image, x0 + 3), small);
  EXPECT_EQ(TraceRows(image, x0 + 4), std::vector<int>{12});

  // 8 bits: 0 is the lowest value, 255 the highest.
  std::vector<uint8_t> bytes(160, 128);
  bytes[10] = 0;
  bytes[11] = 255;
  ASSERT_TRUE(DrawLogoWaveform(Format(16000, 8), bytes.data(), 160, kClient, &image));
  EXPECT_EQ(TraceRows(image, x0), full);
}

TEST(LogoWaveform, NothingIsDrawnWithoutColumns) {
  QImage image(3, 3, QImage::Format_RGB32);
  const std::vector<uint8_t> data(1000, 0);
  EXPECT_FALSE(DrawLogoWaveform(Format(16000, 16), nullptr, 1000, kClient, &image));
  EXPECT_FALSE(DrawLogoWaveform(Format(16000, 16), data.data(), 0, kClient, &image));
  EXPECT_FALSE(DrawLogoWaveform(Format(99, 8), data.data(), 1000, kClient, &image));
  EXPECT_FALSE(DrawLogoWaveform(Format(16000, 16), data.data(), 1000, QSize(0, 24), &image));
  EXPECT_EQ(image.size(), QSize(3, 3));
}

TEST(LogoWaveform, PictureScrollsTenColumnsPerTickToItsEnd) {
  // 204 columns behind a 46-pixel window: the block's last column reaches
  // the window's right edge after 21 ticks (about 2 seconds).
  const int width = 46 + 204;
  int scroll = 0;
  std::vector<int> seen;
  for (int tick = 0; tick < 22; ++tick)
    seen.push_back(scroll = LogoScrollAfterTick(scroll, width, 46));
  EXPECT_EQ(seen[0], 10);
  EXPECT_EQ(seen[19], 200);
  EXPECT_EQ(seen[20], 204);
  EXPECT_EQ(seen[21], 204);
  EXPECT_EQ(LogoScrollToEnd(width, 46), 204);
  // A bitmap no wider than the window never scrolls.
  EXPECT_EQ(LogoScrollAfterTick(0, 46, 46), 0);
  EXPECT_EQ(LogoScrollAfterTick(0, 30, 46), 0);
  EXPECT_EQ(LogoScrollToEnd(30, 46), 0);
}

}  // namespace
