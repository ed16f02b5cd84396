// The engine's audio encoder: sizes and rates of every format, byte-exact
// streaming whatever the chunking, exact values at the edges of the coders,
// and what an independent decoder (sox) makes of the bytes.
#include <gtest/gtest.h>
#include <soxr.h>

#include <QTemporaryDir>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <tuple>

#include "plugins/varentts/AudioEncoder.h"
#include "plugins/varentts/G726Encoder.h"
#include "plugins/varentts/OkiEncoder.h"
#include "sdk/ttsapi.h"
#include "tests/support/TestSupport.h"

extern "C" {
#include <spandsp/telephony.h>
// telephony.h must come first: the coder's headers use its declarations.
#include <spandsp/bitstream.h>
#include <spandsp/g726.h>
#include <spandsp/oki_adpcm.h>
#include <spandsp/private/bitstream.h>
#include <spandsp/private/g726.h>
#include <spandsp/private/oki_adpcm.h>
}
// In C++ telephony.h redefines lrint as a truncating cast.
#undef lrint
#undef lrintf

using varentts::CAudioEncoder;
using varentts::CG726Encoder;
using varentts::COkiEncoder;

namespace {

constexpr uint32_t kSynthRate = 22050;

std::vector<int16_t> Tone(uint32_t rate, size_t count, double amplitude = 9000) {
  std::vector<int16_t> s(count);
  for (size_t i = 0; i < count; ++i) {
    double t = double(i) / rate;
    s[i] = int16_t(std::lrint(amplitude * (std::sin(2 * std::numbers::pi * 440 * t) +
                                           std::sin(2 * std::numbers::pi * 1000 * t))));
  }
  return s;
}

// Encodes the samples in pieces of the given sizes (cycled), then flushes.
std::vector<uint8_t> Encode(CAudioEncoder& enc, const std::vector<int16_t>& in,
                            std::vector<size_t> pieces = {1u << 30}) {
  std::vector<uint8_t> out;
  for (size_t at = 0, k = 0; at < in.size(); ++k) {
    size_t n = std::min(pieces[k % pieces.size()], in.size() - at);
    EXPECT_EQ(enc.Process(in.data() + at, n, &out), 0u);
    at += n;
  }
  EXPECT_EQ(enc.Flush(&out), 0u);
  return out;
}

std::unique_ptr<CAudioEncoder> Make(uint32_t code, uint32_t rate = kSynthRate) {
  uint32_t error = 99;
  auto enc = CAudioEncoder::Create(code, rate, &error);
  EXPECT_TRUE(enc);
  EXPECT_EQ(error, 0u);
  return enc;
}

struct Row {
  uint32_t code, rate, bits;
};
const Row kRows[] = {{0, 16000, 16}, {1, 8000, 8},   {2, 16000, 8}, {3, 8000, 16},  {4, 16000, 16},
                     {5, 11025, 8},  {6, 11025, 16}, {7, 6000, 8},  {8, 6000, 16},  {9, 16000, 8},
                     {10, 16000, 8}, {11, 8000, 8},  {12, 8000, 8}, {13, 11025, 8}, {14, 11025, 8},
                     {15, 6000, 8},  {16, 6000, 8},  {17, 8000, 4}, {18, 6000, 4},  {19, 8000, 3},
                     {20, 8000, 5},  {21, 6000, 4},  {22, 8000, 4}};

class EveryCode : public ::testing::TestWithParam<Row> {};

TEST_P(EveryCode, RateBitsAndLengthOfOneSecond) {
  const Row& r = GetParam();
  auto enc = Make(r.code);
  ASSERT_TRUE(enc);
  EXPECT_EQ(enc->OutputRate(), r.rate);
  EXPECT_EQ(enc->OutputBits(), r.bits);
  auto out = Encode(*enc, Tone(kSynthRate, kSynthRate));
  // One second at the output rate, padded to whole bytes or code groups.
  size_t expected = (size_t(r.rate) * r.bits + 7) / 8;
  EXPECT_NEAR(double(out.size()), double(expected), r.bits >= 8 ? 0 : 5);
}

// Streaming must give the same bytes whatever the chunking, and a flushed
// encoder must start over exactly like a new one.
TEST_P(EveryCode, SameBytesWhateverTheChunkingAndAfterFlush) {
  auto in = Tone(kSynthRate, 30011);
  auto enc = Make(GetParam().code);
  ASSERT_TRUE(enc);
  auto whole = Encode(*enc, in);
  EXPECT_EQ(Encode(*enc, in, {1, 7, 333, 2, 4099, 5000, 13}), whole);
  EXPECT_EQ(Encode(*enc, in, {3}), whole);
}

QByteArray AuHeader(uint32_t encoding, uint32_t rate, uint32_t size) {
  QByteArray h(".snd");
  for (uint32_t v : {28u, size, encoding, rate, 1u, 0u}) {
    for (int shift = 24; shift >= 0; shift -= 8) h.append(char(v >> shift));
  }
  return h;
}

// Decodes with sox into 16-bit samples; empty when sox fails.
std::vector<int16_t> SoxDecode(const Row& r, const std::vector<uint8_t>& bytes) {
  QTemporaryDir dir;
  QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
  QString in = dir.filePath("in"), out = dir.filePath("out.raw");
  QStringList args{"-t", "raw", "-c", "1", "-r", QString::number(r.rate)};
  if (r.code >= 21) {
    args = QStringList{"-t", "vox", "-r", QString::number(r.rate)};
  } else if (r.code >= 17) {
    uint32_t encoding = r.bits == 4 ? 23 : r.bits == 3 ? 25 : 26;
    data.prepend(AuHeader(encoding, r.rate, uint32_t(bytes.size())));
    args = QStringList{"-t", "au"};
  } else if (r.code >= 9) {
    args << "-e" << (r.code % 2 ? "a-law" : "mu-law") << "-b"
         << "8";
  } else if (r.bits == 8) {
    args << "-e"
         << "unsigned-integer"
         << "-b"
         << "8";
  } else {
    args << "-e"
         << "signed-integer"
         << "-b"
         << "16"
         << "-L";
  }
  if (!WriteAll(in, data)) return {};
  args << in << "-t"
       << "raw"
       << "-e"
       << "signed-integer"
       << "-b"
       << "16"
       << "-L" << out;
  if (r.code >= 21)
    args << "highpass"
         << "10";
  ProcessResult p = RunProgram("sox", args);
  EXPECT_EQ(p.exitCode, 0) << p.err.constData();
  QByteArray raw = ReadAll(out);
  std::vector<int16_t> s(size_t(raw.size()) / 2);
  std::memcpy(s.data(), raw.constData(), s.size() * 2);
  return s;
}

double Correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  // Skip the first 50 ms, where the coders adapt and the high-pass settles.
  size_t from = a.size() / 20, to = std::min(a.size(), b.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = from; i < to; ++i) {
    ab += double(a[i]) * b[i];
    aa += double(a[i]) * a[i];
    bb += double(b[i]) * b[i];
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

TEST_P(EveryCode, SoxDecodesTheToneBack) {
  const Row& r = GetParam();
  auto enc = Make(r.code);
  ASSERT_TRUE(enc);
  auto decoded = SoxDecode(r, Encode(*enc, Tone(kSynthRate, kSynthRate)));
  auto reference = Tone(r.rate, r.rate);
  EXPECT_NEAR(double(decoded.size()), double(reference.size()), 5);
  EXPECT_GT(Correlation(reference, decoded), 0.95);
}

INSTANTIATE_TEST_SUITE_P(AudioEncoder, EveryCode, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return "Code" + std::to_string(info.param.code); });

TEST(AudioEncoder, SilenceValues) {
  for (auto [code, rate, silence] : {std::tuple{2u, 16000u, 0x80},
                                     {7u, 22050u, 0x80},
                                     {11u, 8000u, 0xD5},
                                     {9u, 22050u, 0xD5},
                                     {12u, 8000u, 0xFF},
                                     {16u, 22050u, 0xFF}}) {
    auto enc = Make(code, rate);
    ASSERT_TRUE(enc);
    auto out = Encode(*enc, std::vector<int16_t>(rate / 10, 0));
    ASSERT_FALSE(out.empty());
    for (uint8_t b : out) ASSERT_EQ(b, silence) << "code " << code << " from " << rate;
  }
}

TEST(AudioEncoder, EightBitRoundsToNearestAndClips) {
  auto enc = Make(2, 16000);  // same rate: no resampler in between
  ASSERT_TRUE(enc);
  auto out = Encode(*enc, {-32768, -32767, -129, -127, 0, 127, 129, 383, 32767});
  EXPECT_EQ(out, (std::vector<uint8_t>{0x00, 0x00, 0x7F, 0x80, 0x80, 0x80, 0x81, 0x81, 0xFF}));
}

TEST(AudioEncoder, SixteenBitAtTheSameRateIsUnchanged) {
  auto in = Tone(16000, 1001, 16000);  // peaks near full scale
  in.push_back(-32768);
  auto enc = Make(4, 16000);
  ASSERT_TRUE(enc);
  auto out = Encode(*enc, in);
  ASSERT_EQ(out.size(), in.size() * 2);
  EXPECT_EQ(std::memcmp(out.data(), in.data(), out.size()), 0);
}

// Resamples with soxr at a quality recipe, fed in pieces of 4096 samples as
// the encoder feeds it.
std::vector<float> Soxr(const std::vector<int16_t>& in, uint32_t outRate, unsigned long recipe) {
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t q = soxr_quality_spec(recipe, 0);
  soxr_error_t err = nullptr;
  soxr_t s = soxr_create(kSynthRate, outRate, 1, &err, &io, &q, nullptr);
  EXPECT_EQ(err, nullptr);
  std::vector<float> out(in.size() * outRate / kSynthRate + 4096);
  size_t made = 0;
  for (size_t at = 0; at <= in.size(); at += 4096) {
    std::vector<float> piece(in.begin() + at, in.begin() + std::min(in.size(), at + 4096));
    size_t done = 0;
    const bool end = at + 4096 > in.size();
    soxr_process(s, piece.data(), piece.size(), nullptr, out.data() + made, out.size() - made,
                 &done);
    made += done;
    if (end) {
      soxr_process(s, nullptr, 0, nullptr, out.data() + made, out.size() - made, &done);
      made += done;
    }
  }
  soxr_delete(s);
  out.resize(made);
  return out;
}

// The encoder resamples at soxr's 16-bit quality. Within the passband that
// differs from its 20-bit quality (SOXR_HQ) by less than the 16-bit output's
// own rounding: RMS below 1/sqrt(12) and never a whole step, on a sweep and a
// voice-like harmonic series up to 85% of the output's Nyquist frequency
// (the filters' start-up, where an abrupt onset rings, left out).
TEST(AudioEncoder, ResamplingErrorStaysBelowTheSixteenBitFloor) {
  const std::pair<uint32_t, uint32_t> codes[] = {{4, 16000}, {6, 11025}, {3, 8000}, {8, 6000}};
  for (auto [code, outRate] : codes) {
    const double top = 0.85 * outRate / 2;
    std::vector<int16_t> sweep(kSynthRate * 3), voice(kSynthRate * 3);
    double phase = 0;
    for (size_t i = 0; i < sweep.size(); ++i) {
      const double t = double(i) / kSynthRate;
      phase += 2 * std::numbers::pi * (50 + (top - 50) * t / 3) / kSynthRate;
      sweep[i] = int16_t(std::lrint(16000 * std::sin(phase)));
      double v = 0;
      for (int k = 1; k * 150 < top; ++k)
        v += 12000.0 / k * std::sin(2 * std::numbers::pi * 150 * k * t + k);
      voice[i] = int16_t(std::lrint(std::clamp(v, -32000.0, 32000.0)));
    }
    for (const auto* signal : {&sweep, &voice}) {
      const std::vector<float> hq = Soxr(*signal, outRate, SOXR_HQ);
      const std::vector<float> used = Soxr(*signal, outRate, SOXR_16_BITQ);
      auto enc = Make(code);
      ASSERT_TRUE(enc);
      const std::vector<uint8_t> bytes = Encode(*enc, *signal);
      ASSERT_EQ(bytes.size(), used.size() * 2) << code;
      ASSERT_EQ(hq.size(), used.size()) << code;
      double squares = 0, worst = 0;
      size_t counted = 0, mismatches = 0;
      for (size_t i = 0; i < used.size(); ++i) {
        int16_t got = 0;
        std::memcpy(&got, bytes.data() + 2 * i, 2);
        mismatches += got != std::clamp(std::lrint(used[i]), -32768L, 32767L);
        if (i < outRate / 20 || i + outRate / 20 >= used.size()) continue;
        const double d = double(used[i]) - hq[i];
        squares += d * d;
        worst = std::max(worst, std::abs(d));
        ++counted;
      }
      EXPECT_EQ(mismatches, 0u) << "the encoder resamples at another quality, code " << code;
      EXPECT_LT(std::sqrt(squares / counted), 1 / std::sqrt(12.0)) << "code " << code;
      EXPECT_LT(worst, 1.0) << "code " << code;
    }
  }
}

// A full-scale step rings past full scale in the resampler; the ringing must
// clip, never wrap round to the opposite sign.
TEST(AudioEncoder, ResamplerOvershootClips) {
  std::vector<int16_t> in(kSynthRate / 2, 32767);
  std::fill(in.begin(), in.begin() + kSynthRate / 10, int16_t(0));
  for (auto [code, top, floor] : {std::tuple{3u, 32767, 0}, {1u, 255, 128}}) {
    auto enc = Make(code);
    ASSERT_TRUE(enc);
    auto out = Encode(*enc, in);
    std::vector<int> v;
    for (size_t i = 0; i < out.size(); code == 3 ? i += 2 : ++i)
      v.push_back(code == 3 ? int16_t(out[i] | out[i + 1] << 8) : out[i]);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), top);
    EXPECT_GT(*std::min_element(v.begin() + 810, v.end()), floor) << "code " << code;
  }
}

// Leftover ADPCM bits are not lost: n samples give whole code groups.
TEST(AudioEncoder, AdpcmPadsToWholeGroups) {
  for (auto [code, groupSamples, groupBytes] :
       {std::tuple{17u, 2u, 1u}, {19u, 8u, 3u}, {20u, 8u, 5u}, {22u, 2u, 1u}}) {
    for (size_t n : {0, 1, 2, 3, 8, 9}) {
      auto enc = Make(code, 8000);
      ASSERT_TRUE(enc);
      auto out = Encode(*enc, Tone(8000, n));
      EXPECT_EQ(out.size(), (n + groupSamples - 1) / groupSamples * groupBytes)
          << "code " << code << ", " << n << " samples";
    }
  }
}

TEST(AudioEncoder, RefusesUnknownCodesAndBadArguments) {
  for (uint32_t code : {23u, 26u, 30u, 31u, 1000u}) {
    uint32_t error = 0;
    EXPECT_FALSE(CAudioEncoder::Create(code, kSynthRate, &error));
    EXPECT_EQ(error, TTSERR_INVALIDVALUE) << code;
  }
  uint32_t error = 0;
  EXPECT_FALSE(CAudioEncoder::Create(4, 0, &error));
  EXPECT_EQ(error, TTSERR_INVALIDVALUE);
  EXPECT_FALSE(CAudioEncoder::Create(99, kSynthRate, nullptr));

  auto enc = Make(17);
  ASSERT_TRUE(enc);
  std::vector<uint8_t> out;
  int16_t s = 0;
  EXPECT_EQ(enc->Process(&s, 1, nullptr), TTSERR_INVALIDARG);
  EXPECT_EQ(enc->Process(nullptr, 5, &out), TTSERR_INVALIDARG);
  EXPECT_EQ(enc->Process(nullptr, 0, &out), 0u);
  EXPECT_EQ(enc->Flush(nullptr), TTSERR_INVALIDARG);
  EXPECT_TRUE(out.empty());
}

// Seven seconds at 8 kHz that take the ADPCM coder through its corners:
// voiced vowels, silence, full-scale clicks, square waves and clipping, a slow
// sweep, loud and faint noise, and pure tones (low, mid and near Nyquist) that
// stop or change abruptly.
std::vector<int16_t> CoderWorkout() {
  std::vector<int16_t> s;
  std::mt19937 rng(726);
  auto add = [&s](double v) { s.push_back(int16_t(std::clamp(std::lrint(v), -32768L, 32767L))); };
  const double pi = std::numbers::pi;
  double phase = 0;
  for (int i = 0; i < 12000; ++i) {  // vowels gliding from 110 to 220 Hz, two formants
    const double f0 = 110 + 110.0 * i / 12000, t = i / 8000.0;
    phase += 2 * pi * f0 / 8000;
    double sum = 0;
    for (int k = 1; k * f0 < 3800; ++k) {
      const double f = k * f0;
      const double amp = 9000 / (1 + std::pow((f - 700) / 150, 2)) +
                         6000 / (1 + std::pow((f - 1200) / 200, 2)) + 300;
      sum += amp * std::sin(k * phase);
    }
    add(sum * std::pow(std::sin(pi * t * 4), 2) * 1.5);
  }
  s.insert(s.end(), 2400, 0);
  for (int i = 0; i < 1600; ++i) add(i % 400 == 0 ? 32767 : i % 400 == 200 ? -32768 : 0);
  for (int i = 0; i < 2400; ++i) add((i / 20) % 2 ? 32767 : -32768);
  for (int i = 0; i < 2400; ++i) add(3 * 32767 * std::sin(2 * pi * 300 * i / 8000.0));
  phase = 0;
  for (int i = 0; i < 8000; ++i) {  // sweep from 50 to 3950 Hz
    phase += 2 * pi * (50 + 3900.0 * i / 8000) / 8000;
    add(20000 * std::sin(phase));
  }
  std::uniform_int_distribution<int> loud(-32768, 32767), faint(-3, 3);
  for (int i = 0; i < 4000; ++i) add(loud(rng));
  for (int i = 0; i < 2000; ++i) add(faint(rng));
  for (double f : {1000.0, 60.0, 3900.0, 440.0}) {
    for (int i = 0; i < 4000; ++i) add(16000 * std::sin(2 * pi * f * i / 8000));
    if (f == 60.0) continue;  // straight on into the next tone
    s.insert(s.end(), 1600, 0);
  }
  // At 40 kbit/s a zero coefficient can leave the 16-bit range and wrap. Find
  // input that does it: each sample the full-scale level that pushes the
  // first one furthest up, as spandsp's coder sees it.
  g726_state_t st;
  g726_init(&st, 40000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);
  std::vector<uint8_t> scratch(s.size());
  g726_encode(&st, scratch.data(), s.data(), int(s.size()));
  for (int n = 0; n < 1500; ++n) {
    int16_t best = 0;
    int bestB = INT_MIN;
    for (int v = -32768; v < 32768; v += 2048) {
      g726_state_t trial = st;
      const int16_t x = int16_t(v);
      g726_encode(&trial, scratch.data(), &x, 1);
      const int b = trial.b[0] < st.b[0] - 40000 ? INT_MAX : trial.b[0];
      if (b > bestB) bestB = b, best = x;
    }
    g726_encode(&st, scratch.data(), &best, 1);
    s.push_back(best);
  }
  return s;
}

// What the coder's state went through while spandsp encoded a signal.
struct Corners {
  bool a2Low = false, a1Bound = false, tone = false, transition = false, zeroWrap = false;
};

std::vector<uint8_t> SpandspG726(int bits, const std::vector<int16_t>& in,
                                 Corners* seen = nullptr) {
  g726_state_t* s = g726_init(nullptr, bits * 8000, G726_ENCODING_LINEAR, G726_PACKING_RIGHT);
  std::vector<uint8_t> out(in.size() + 1);
  size_t made = 0;
  for (size_t i = 0; i < in.size(); ++i) {
    const bool toneBefore = s->td;
    const int b0Before = s->b[0];
    made += size_t(g726_encode(s, out.data() + made, &in[i], 1));
    if (!seen) continue;
    seen->a2Low |= s->a[1] == -12288;
    seen->a1Bound |= std::abs(s->a[0]) == 15360 - s->a[1] && s->a[1] != 0;
    seen->tone |= s->td != 0;
    seen->transition |= toneBefore && s->ap == 256 && s->a[0] == 0 && s->a[1] == 0;
    seen->zeroWrap |= std::abs(s->b[0] - b0Before) > 40000;
  }
  g726_free(s);
  out.resize(made);
  return out;
}

// Bit-exact with spandsp at every rate, whether fed at once, in random
// pieces or after a reset; the signal must reach the predictor's limits and
// the tone and transition detectors, or a fault there would go unseen.
TEST(G726Encoder, SameBytesAsSpandsp) {
  const std::vector<int16_t> in = CoderWorkout();
  for (int bits : {3, 4, 5}) {
    SCOPED_TRACE(bits);
    Corners seen;
    const std::vector<uint8_t> expected = SpandspG726(bits, in, &seen);
    EXPECT_TRUE(seen.a2Low && seen.a1Bound && seen.tone && seen.transition);
    EXPECT_EQ(seen.zeroWrap, bits == 5);
    ASSERT_EQ(expected.size(), in.size() * size_t(bits) / 8);

    CG726Encoder enc(bits);
    std::vector<uint8_t> out(in.size() + 1);
    out.resize(enc.Encode(in.data(), in.size(), out.data()));
    EXPECT_EQ(out, expected);

    enc.Encode(in.data(), 777, out.data());  // leaves carried bits and a moved state
    enc.Reset();
    std::mt19937 rng(bits);
    std::uniform_int_distribution<size_t> size(1, 5000);
    std::vector<uint8_t> pieces;
    for (size_t at = 0; at < in.size();) {
      const size_t n = std::min(size(rng), in.size() - at);
      std::vector<uint8_t> part(n + 1);
      const size_t made = enc.Encode(in.data() + at, n, part.data());
      ASSERT_LE(made, (n * size_t(bits) + 7) / 8);
      pieces.insert(pieces.end(), part.begin(), part.begin() + ptrdiff_t(made));
      at += n;
    }
    EXPECT_EQ(pieces, expected);
  }
  EXPECT_THROW(CG726Encoder(2), std::invalid_argument);
}

// What spandsp's 32 kbit/s VOX coder makes of a signal, and whether its step
// came down to the bottom of the table after reaching the top and its
// reconstruction hit both 12-bit limits.
std::vector<uint8_t> SpandspOki(const std::vector<int16_t>& in, bool* cornersSeen = nullptr) {
  oki_adpcm_state_t* s = oki_adpcm_init(nullptr, 32000);
  std::vector<uint8_t> out(in.size() / 2 + 1);
  size_t made = 0;
  bool top = false, bottomAfterTop = false, high = false, low = false;
  for (size_t i = 0; i < in.size(); ++i) {
    made += size_t(oki_adpcm_encode(s, out.data() + made, &in[i], 1));
    top |= s->step_index == 48;
    bottomAfterTop |= top && s->step_index == 0;
    high |= s->last == 2047;
    low |= s->last == -2048;
  }
  oki_adpcm_free(s);
  if (cornersSeen) *cornersSeen = bottomAfterTop && high && low;
  out.resize(made);
  return out;
}

// Bit-exact with spandsp whether fed at once (an odd count, so the last code
// waits), in random pieces of odd and even sizes with empty calls between, or
// after a reset that drops a waiting code.
TEST(OkiEncoder, SameBytesAsSpandsp) {
  std::vector<int16_t> in = CoderWorkout();
  if (in.size() % 2 == 0) in.pop_back();
  bool corners = false;
  const std::vector<uint8_t> expected = SpandspOki(in, &corners);
  EXPECT_TRUE(corners);
  ASSERT_EQ(expected.size(), in.size() / 2);

  COkiEncoder enc;
  std::vector<uint8_t> out(in.size());
  out.resize(enc.Encode(in.data(), in.size(), out.data()));
  EXPECT_EQ(out, expected);

  enc.Reset();
  enc.Encode(in.data(), 777, out.data());  // leaves a waiting code and a moved state
  enc.Reset();
  std::mt19937 rng(22);
  std::uniform_int_distribution<size_t> size(1, 5000);
  std::vector<uint8_t> pieces;
  for (size_t at = 0; at < in.size();) {
    const size_t n = std::min(size(rng), in.size() - at);
    std::vector<uint8_t> part(n / 2 + 1);
    ASSERT_EQ(enc.Encode(in.data() + at, 0, part.data()), 0u);
    const size_t made = enc.Encode(in.data() + at, n, part.data());
    ASSERT_LE(made, (n + 1) / 2);
    pieces.insert(pieces.end(), part.begin(), part.begin() + ptrdiff_t(made));
    at += n;
  }
  EXPECT_EQ(pieces, expected);
}

// At the coder's own rate the engine's encoder gives exactly spandsp's bytes
// for the samples followed by the silence that completes the last group.
TEST(AudioEncoder, G726CodesAreSpandspsBytesPaddedWithSilence) {
  std::vector<int16_t> in = CoderWorkout();
  in.resize(in.size() - 3);
  for (auto [code, bits] : {std::pair{17u, 4}, {19u, 3}, {20u, 5}}) {
    auto enc = Make(code, 8000);
    ASSERT_TRUE(enc);
    std::vector<int16_t> padded = in;
    const size_t group = bits == 4 ? 2 : 8;
    padded.resize((in.size() + group - 1) / group * group, 0);
    EXPECT_EQ(Encode(*enc, in, {4096, 1, 999}), SpandspG726(bits, padded)) << "code " << code;
  }
  auto vox = Make(22, 8000);
  ASSERT_TRUE(vox);
  std::vector<int16_t> padded = in;
  padded.resize(in.size() + in.size() % 2, 0);
  EXPECT_EQ(Encode(*vox, in, {4096, 1, 999}), SpandspOki(padded));
}

}  // namespace
