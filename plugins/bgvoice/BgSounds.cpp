#include "plugins/bgvoice/BgSounds.h"

#include <algorithm>
#include <cmath>

namespace bgvoice {
namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;
constexpr double kPeakLimit = 0.2;  // of full scale

// White noise in [-1, 1) as a pure function of the position in the loop, so
// that the noise itself repeats exactly with the loop.
class CNoise {
 public:
  explicit CNoise(uint64_t seed) : m_seed(seed * 0x9E3779B97F4A7C15ull) {}
  double operator()(uint64_t n) const { return Hash(n) * (2.0 / 16777216.0) - 1.0; }
  // Uniform in [0, 1).
  double Uniform(uint64_t n) const { return Hash(n) / 16777216.0; }

 private:
  uint64_t Hash(uint64_t n) const {
    uint64_t z = n + m_seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return z >> 40;  // 24 bits
  }
  uint64_t m_seed;
};

// One-pole low-pass with its corner in Hz; at or above the Nyquist rate it
// simply follows its input.
class CLowPass {
 public:
  CLowPass(double corner, uint32_t rate)
      : m_gain(corner * 2 >= rate ? 1.0 : 1.0 - std::exp(-kTwoPi * corner / rate)) {}
  double operator()(double x) { return m_y += m_gain * (x - m_y); }

 private:
  double m_gain;
  double m_y = 0;
};

class CHighPass {
 public:
  CHighPass(double corner, uint32_t rate) : m_low(corner, rate) {}
  double operator()(double x) { return x - m_low(x); }

 private:
  CLowPass m_low;
};

// A raised cosine that completes `cycles` whole cycles per loop: 0 at phase
// 0, 1 half-way through each cycle.
double Swell(double phase, double cycles) {
  return 0.5 - 0.5 * std::cos(kTwoPi * cycles * phase);
}

// sin(2 pi * k / length) for every k of the loop, and oscillators that read
// it with an exact integer phase: a tone with a whole number of cycles per
// loop then repeats exactly with the loop.
class CLoopSine {
 public:
  explicit CLoopSine(uint64_t length) : m_table(length) {
    for (uint64_t k = 0; k < length; ++k)
      m_table[k] = float(std::sin(kTwoPi * double(k) / double(length)));
  }
  uint64_t Length() const { return m_table.size(); }
  double At(uint64_t k) const { return m_table[k]; }

 private:
  std::vector<float> m_table;
};

// Steps through the table `cycles` entries per sample, starting at `offset`
// (a quarter of the loop turns the sine into a cosine). Called once per
// sample in order.
class COscillator {
 public:
  COscillator() = default;
  COscillator(const CLoopSine& sine, uint64_t cycles, uint64_t offset = 0)
      : m_sine(&sine), m_step(cycles % sine.Length()), m_index(offset % sine.Length()) {}
  double Next() {
    double value = m_sine->At(m_index);
    m_index += m_step;
    if (m_index >= m_sine->Length()) m_index -= m_sine->Length();
    return value;
  }

 private:
  const CLoopSine* m_sine = nullptr;
  uint64_t m_step = 0, m_index = 0;
};

class CRain {
 public:
  explicit CRain(uint32_t rate)
      : m_dropChance(std::min(1.0, 40.0 / rate)),
        m_dropDecay(std::exp(-1.0 / (0.004 * rate))),
        m_hissLow(800, rate),
        m_hissHigh(7000, rate),
        m_dropHigh(2500, rate),
        m_rumble(180, rate) {}
  double operator()(uint64_t n, double) {
    double hiss = m_hissHigh(m_hissLow(m_hiss(n)));
    if (m_events.Uniform(n) < m_dropChance) m_env += 0.4 + 0.6 * m_events.Uniform(n + 7919);
    m_env *= m_dropDecay;
    double drop = m_env * m_dropHigh(m_drops(n));
    return 0.5 * hiss + 0.6 * drop + 0.8 * m_rumble(m_hiss(n));
  }

 private:
  CNoise m_hiss{11}, m_drops{12}, m_events{13};
  double m_dropChance, m_dropDecay, m_env = 0;
  CHighPass m_hissLow;
  CLowPass m_hissHigh;
  CHighPass m_dropHigh;
  CLowPass m_rumble;
};

class CWaves {
 public:
  explicit CWaves(uint32_t rate)
      : m_body1(450, rate), m_body2(450, rate), m_washLow(1500, rate), m_washHigh(6000, rate) {}
  double operator()(uint64_t n, double phase) {
    // Two waves per loop; the high-pitched wash trails each wave's body.
    double swell = Swell(phase, 2), trail = Swell(phase - 0.06, 2);
    double body = 0.12 + 0.88 * swell * std::sqrt(swell);
    double wash = trail * trail * trail;
    return 1.6 * body * m_body2(m_body1(m_low(n))) + 0.35 * wash * m_washHigh(m_washLow(m_high(n)));
  }

 private:
  CNoise m_low{21}, m_high{22};
  CLowPass m_body1, m_body2;
  CHighPass m_washLow;
  CLowPass m_washHigh;
};

// A soft alternation of two chords (C major, A minor) with a few quiet
// harmonics, each frequency rounded to a whole number of cycles per loop.
class CMusic {
 public:
  static constexpr bool kStateless = true;  // one pass from sample 0 is enough

  // Not copyable: the oscillators point into this object's sine table.
  CMusic(const CMusic&) = delete;
  CMusic& operator=(const CMusic&) = delete;
  CMusic(uint32_t rate, uint64_t length) : m_sine(length) {
    static constexpr double kChords[2][4] = {{261.63, 329.63, 392.00, 523.25},
                                             {220.00, 261.63, 329.63, 440.00}};
    const uint64_t quarter = length / 4;  // cos(x) = sin(x + quarter turn)
    m_fade = COscillator(m_sine, 1, quarter);
    for (int note = 0; note < 4; ++note) {
      m_breath[note] = COscillator(m_sine, note + 1, quarter * (note + 1));
      for (int chord = 0; chord < 2; ++chord) {
        uint64_t cycles = uint64_t(std::lround(kChords[chord][note] * kLoopSeconds));
        for (int h = 0; h < 3; ++h) {
          uint64_t partial = cycles * (h + 1);
          // Partials at or above the Nyquist rate would alias.
          if (double(partial) / kLoopSeconds * 2 >= rate) break;
          m_partials[m_count++] = {COscillator(m_sine, partial), chord, note, kHarmonics[h]};
        }
      }
    }
  }
  double operator()(uint64_t, double) {
    double first = 0.5 + 0.5 * m_fade.Next();
    double weights[2] = {first, 1.0 - first};
    double breath[4];  // a slow breathing per note keeps the chord alive
    for (int note = 0; note < 4; ++note) breath[note] = 0.8 + 0.2 * m_breath[note].Next();
    double sum = 0;
    for (int i = 0; i < m_count; ++i) {
      Partial& p = m_partials[i];
      sum += weights[p.chord] * breath[p.note] * p.weight * p.oscillator.Next();
    }
    return sum;
  }

 private:
  static constexpr double kHarmonics[3] = {1.0, 0.25, 0.08};
  struct Partial {
    COscillator oscillator;
    int chord = 0, note = 0;
    double weight = 0;
  };
  CLoopSine m_sine;
  COscillator m_fade, m_breath[4];
  Partial m_partials[24];
  int m_count = 0;
};

// Noise whose spectrum falls towards high frequencies (roughly pink): equal
// parts of white noise low-passed at corners two octaves apart.
class CNoiseBed {
 public:
  explicit CNoiseBed(uint32_t rate)
      : m_bands{{40, rate}, {160, rate}, {640, rate}, {2560, rate}, {10240, rate}} {}
  double operator()(uint64_t n, double) {
    double x = m_white(n), sum = 0.1 * x;
    for (CLowPass& band : m_bands) sum += band(x);
    return sum;
  }

 private:
  CNoise m_white{41};
  CLowPass m_bands[5];
};

class CWind {
 public:
  explicit CWind(uint32_t rate) : m_high(120, rate), m_low1(600, rate), m_low2(900, rate) {}
  double operator()(uint64_t n, double phase) {
    double gust = 0.25 + 0.5 * Swell(phase, 1) * Swell(phase + 0.2, 3) + 0.25 * Swell(phase, 5);
    return gust * m_low2(m_low1(m_high(m_white(n))));
  }

 private:
  CNoise m_white{51};
  CHighPass m_high;
  CLowPass m_low1, m_low2;
};

// Eight ticks per loop (one a second), alternating a higher "tick" and a
// lower "tock": a short noise click and a quickly fading ping.
class CClock {
 public:
  CClock(uint32_t rate, uint64_t length)
      : m_rate(rate), m_length(length), m_clickHigh(3000, rate) {}
  double operator()(uint64_t n, double) {
    // Exactly one n per tick k satisfies k*length <= 8n < k*length + 8.
    if (n * kLoopSeconds % m_length < kLoopSeconds) {
      m_since = 0;
      m_tock = (n * kLoopSeconds / m_length) % 2 == 1;
    } else {
      ++m_since;
    }
    double t = double(m_since) / m_rate;
    double frequency = m_tock ? 1500 : 2000;
    double ping = frequency * 2 < m_rate ? std::sin(kTwoPi * frequency * t) : 0;
    double click = m_clickHigh(m_white(n)) * std::exp(-t / 0.001);
    return 0.7 * ping * std::exp(-t / 0.012) + click;
  }

 private:
  CNoise m_white{61};
  uint32_t m_rate;
  uint64_t m_length;
  uint64_t m_since = 1u << 30;
  bool m_tock = false;
  CHighPass m_clickHigh;
};

struct Level {
  double rms;  // target, of full scale
};

Level LevelOf(uint32_t value) {
  switch (value) {
    case kSoundClock:
      return {0.012};
    case kSoundNoise:
      return {0.025};
    default:
      return {0.03};
  }
}

// Runs the generator over two loops and keeps the second, so that filter
// states have settled into the loop's own periodic state.
template <typename Generator>
std::vector<double> Settle(Generator generator, uint64_t length) {
  std::vector<double> loop(length);
  uint64_t passes = 2;
  if constexpr (requires { Generator::kStateless; }) passes = Generator::kStateless ? 1 : 2;
  for (uint64_t i = (2 - passes) * length; i < 2 * length; ++i) {
    uint64_t n = i % length;
    double value = generator(n, double(n) / double(length));
    if (i >= length) loop[n] = value;
  }
  return loop;
}

std::vector<double> Generate(uint32_t value, uint32_t rate, uint64_t length) {
  switch (value) {
    case kSoundRain:
      return Settle(CRain(rate), length);
    case kSoundWaves:
      return Settle(CWaves(rate), length);
    case kSoundMusic:
      return Settle(CMusic(rate, length), length);
    case kSoundNoise:
      return Settle(CNoiseBed(rate), length);
    case kSoundWind:
      return Settle(CWind(rate), length);
    case kSoundClock:
      return Settle(CClock(rate, length), length);
    default:
      return {};
  }
}

}  // namespace

bool IsKnownSound(uint32_t value) {
  return value >= kSoundRain && value <= kSoundClock;
}

std::vector<int16_t> RenderLoop(uint32_t value, uint32_t rate) {
  if (!IsKnownSound(value) || rate == 0 || rate > kMaxRate) return {};
  uint64_t length = LoopLength(rate);
  std::vector<double> loop = Generate(value, rate, length);
  double energy = 0, peak = 0;
  for (double x : loop) {
    energy += x * x;
    peak = std::max(peak, std::abs(x));
  }
  double rms = std::sqrt(energy / double(length));
  double scale = 0;
  if (rms > 0) scale = std::min(LevelOf(value).rms / rms, kPeakLimit / peak) * 32767.0;
  std::vector<int16_t> samples(length);
  for (uint64_t i = 0; i < length; ++i) samples[i] = int16_t(std::lround(loop[i] * scale));
  return samples;
}

}  // namespace bgvoice
