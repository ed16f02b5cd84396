// The speech view decodes every audio format the bundled engine writes: a
// sine encoded by the engine's own encoder comes back as the same sine (the
// lossy codings within their usual error), and the samples do not depend on
// how the audio was cut into blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/EngineFormats.h"
#include "plugins/varentts/AudioEncoder.h"
#include "speechview/SpeechDecoder.h"

namespace {

struct Coding {
  uint32_t code;
  double minSnrDb;  // what the coding keeps of a clean sine
};
void PrintTo(const Coding& c, std::ostream* os) {
  *os << "code " << c.code;
}

class SpeechDecoderCodes : public ::testing::TestWithParam<Coding> {};

std::vector<int16_t> Sine(uint32_t rate, double hz, size_t n) {
  std::vector<int16_t> s(n);
  for (size_t i = 0; i < n; ++i)
    s[i] = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * hz * i / rate)));
  return s;
}

// The signal-to-noise ratio of `got` against `want`, after the best lag of a
// few samples (the ADPCM coders settle in).
double SnrDb(const std::vector<int16_t>& want, const std::vector<int16_t>& got, size_t skip) {
  double signal = 0, noise = 0;
  const size_t n = std::min(want.size(), got.size());
  for (size_t i = skip; i < n; ++i) {
    signal += double(want[i]) * want[i];
    const double d = double(want[i]) - got[i];
    noise += d * d;
  }
  return 10 * std::log10(signal / std::max(noise, 1.0));
}

TEST_P(SpeechDecoderCodes, DecodesWhatTheEngineEncodes) {
  const Coding c = GetParam();
  const EngineFormat format = EngineFormatOf(c.code);
  uint32_t error = 0;
  auto encoder = varentts::CAudioEncoder::Create(c.code, format.rate, &error);
  ASSERT_TRUE(encoder) << error;
  const std::vector<int16_t> sine = Sine(format.rate, 440, format.rate);  // one second
  std::vector<uint8_t> bytes;
  ASSERT_EQ(encoder->Process(sine.data(), sine.size(), &bytes), 0u);
  ASSERT_EQ(encoder->Flush(&bytes), 0u);

  CSpeechDecoder whole;
  ASSERT_TRUE(whole.Reset(c.code));
  EXPECT_EQ(whole.Rate(), format.rate);
  std::vector<int16_t> decoded;
  whole.Decode(bytes.data(), bytes.size(), &decoded);
  ASSERT_GE(decoded.size(), sine.size());
  EXPECT_LE(decoded.size(), sine.size() + 8);
  EXPECT_GT(SnrDb(sine, decoded, 200), c.minSnrDb);

  // Cut into odd pieces: the same samples.
  CSpeechDecoder pieces;
  ASSERT_TRUE(pieces.Reset(c.code));
  std::vector<int16_t> again;
  for (size_t at = 0, step = 1; at < bytes.size(); at += step, step = step * 3 % 1031 + 1)
    pieces.Decode(bytes.data() + at, std::min(step, bytes.size() - at), &again);
  EXPECT_EQ(again, decoded);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormat, SpeechDecoderCodes,
    ::testing::Values(Coding{1, 40}, Coding{2, 40}, Coding{3, 80}, Coding{4, 80}, Coding{5, 40},
                      Coding{6, 80}, Coding{7, 40}, Coding{8, 80}, Coding{9, 30}, Coding{10, 30},
                      Coding{11, 30}, Coding{12, 30}, Coding{13, 30}, Coding{14, 30},
                      Coding{15, 30}, Coding{16, 30}, Coding{17, 15}, Coding{18, 15},
                      Coding{19, 10}, Coding{20, 18}, Coding{21, 12}, Coding{22, 12}));

TEST(SpeechDecoder, RefusesFormatsWithoutSamples) {
  CSpeechDecoder d;
  for (uint32_t code : {0u, 23u, 30u, 40u}) {
    EXPECT_FALSE(d.Reset(code)) << code;
    std::vector<int16_t> out;
    const uint8_t bytes[4] = {1, 2, 3, 4};
    d.Decode(bytes, sizeof bytes, &out);
    EXPECT_TRUE(out.empty()) << code;
  }
}

}  // namespace
