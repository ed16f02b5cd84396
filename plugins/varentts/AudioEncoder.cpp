// The encoder is two stages: a resampler that turns the synthesiser's 16-bit
// samples into floating-point samples at the output rate (in 16-bit units,
// so that no scale factor hides in the library), and a coder that rounds,
// clips and encodes them. Both stages keep their state across calls, and the
// input is cut into fixed-size pieces inside, so the bytes produced depend
// only on the samples, never on how the caller split them.
#include "plugins/varentts/AudioEncoder.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>

#include "plugins/varentts/G726Encoder.h"
#include "plugins/varentts/OkiEncoder.h"
#include "sdk/ttsapi.h"

extern "C" {
#include <spandsp/telephony.h>
// telephony.h must come first: the coders' headers use its declarations.
#include <spandsp/bit_operations.h>
#include <spandsp/g711.h>
}
// In C++ telephony.h redefines lrint and lrintf as truncating casts, which
// would turn every rounding below into a truncation towards zero.
#undef lrint
#undef lrintf

namespace varentts {
namespace {

enum class Coding { kPcm8, kPcm16, kALaw, kMuLaw, kG726, kOki };

struct FormatRow {
  uint32_t rate;
  uint32_t bits;
  Coding coding;
};

// Codes 1..22 of the engine format table; index 0 is unused (code 0 is
// replaced by code 4 before the lookup).
constexpr FormatRow kFormats[] = {
    {0, 0, Coding::kPcm16},       //
    {8000, 8, Coding::kPcm8},     // 1
    {16000, 8, Coding::kPcm8},    // 2
    {8000, 16, Coding::kPcm16},   // 3
    {16000, 16, Coding::kPcm16},  // 4
    {11025, 8, Coding::kPcm8},    // 5
    {11025, 16, Coding::kPcm16},  // 6
    {6000, 8, Coding::kPcm8},     // 7
    {6000, 16, Coding::kPcm16},   // 8
    {16000, 8, Coding::kALaw},    // 9
    {16000, 8, Coding::kMuLaw},   // 10
    {8000, 8, Coding::kALaw},     // 11
    {8000, 8, Coding::kMuLaw},    // 12
    {11025, 8, Coding::kALaw},    // 13
    {11025, 8, Coding::kMuLaw},   // 14
    {6000, 8, Coding::kALaw},     // 15
    {6000, 8, Coding::kMuLaw},    // 16
    {8000, 4, Coding::kG726},     // 17: G.721, 32 kbit/s at 8 kHz
    {6000, 4, Coding::kG726},     // 18: G.721 coding at 6 kHz
    {8000, 3, Coding::kG726},     // 19: G.723, 24 kbit/s
    {8000, 5, Coding::kG726},     // 20: G.723, 40 kbit/s
    {6000, 4, Coding::kOki},      // 21: VOX 6 kHz
    {8000, 4, Coding::kOki},      // 22: VOX 8 kHz
};
constexpr uint32_t kLastCode = 22;
constexpr uint32_t kDefaultCode = 4;

// Input rates outside this range are refused: they would make the
// resampler's filters absurdly long and mean a broken caller anyway.
constexpr uint32_t kMinInputRate = 1000;
constexpr uint32_t kMaxInputRate = 384000;

// Samples handed to the resampler and the coder at a time; bounds the
// temporary buffers whatever the caller passes.
constexpr size_t kPiece = 4096;

// Clips to [lo, hi] (integers; NaN gives lo) and rounds to the nearest integer,
// halves to even, as lrint does in the default rounding mode: adding and
// taking away 1.5 * 2^23 leaves the float rounded to an integer, exactly for
// every value this small. Written without a library call, so that the loops
// over it run on vectors.
inline int32_t RoundClip(float v, float lo, float hi) {
  v = v > lo ? v : lo;
  v = v < hi ? v : hi;
  constexpr float kRound = 12582912.0f;
  return static_cast<int32_t>((v + kRound) - kRound);
}

// Owns the resampler (none when the input is already at the output rate), the
// ADPCM coder state of the G.726 and VOX codes, and its scratch buffers. The
// thread that synthesises calls everything; one call at a time.
class CResamplingEncoder final : public CAudioEncoder {
 public:
  CResamplingEncoder(const FormatRow& row, uint32_t inputRate) : m_row(row), m_inRate(inputRate) {}

  ~CResamplingEncoder() override {
    if (m_soxr) soxr_delete(m_soxr);
    ReleaseCoder();
  }

  uint32_t Init() {
    if (m_inRate != m_row.rate) {
      soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
      // 16-bit precision: within the passband it differs from soxr's 20-bit
      // quality by less than the 16-bit output's own rounding (tested), for
      // three quarters of the cost.
      soxr_quality_spec_t q = soxr_quality_spec(SOXR_16_BITQ, 0);
      soxr_error_t err = nullptr;
      m_soxr = soxr_create(m_inRate, m_row.rate, 1, &err, &io, &q, nullptr);
      if (err || !m_soxr) return TTSERR_ENGINEFAIL;
      // Room for one piece's output with margin; more is drained in a loop.
      m_outCap = static_cast<size_t>(std::ceil(double(kPiece) * m_row.rate / m_inRate)) + 256;
    } else {
      m_outCap = kPiece;
    }
    m_in.resize(kPiece);
    m_resampled.resize(m_outCap);
    m_pcm.resize(m_outCap);
    return InitCoder();
  }

  uint32_t Process(const int16_t* samples, size_t count, std::vector<uint8_t>* out) override {
    if (!out || (!samples && count)) return TTSERR_INVALIDARG;
    if (m_failed) return TTSERR_ENGINEFAIL;
    for (size_t done = 0; done < count;) {
      size_t n = std::min(kPiece, count - done);
      for (size_t i = 0; i < n; ++i) m_in[i] = samples[done + i];
      uint32_t rc = m_soxr ? Resample(m_in.data(), n, out) : Encode(m_in.data(), n, out);
      if (rc) return Fail(rc);
      done += n;
    }
    return 0;
  }

  uint32_t Flush(std::vector<uint8_t>* out) override {
    if (!out) return TTSERR_INVALIDARG;
    if (m_failed) return TTSERR_ENGINEFAIL;
    if (m_soxr) {
      if (uint32_t rc = Resample(nullptr, 0, out)) return Fail(rc);
      if (soxr_clear(m_soxr)) return Fail(TTSERR_ENGINEFAIL);
    }
    // Complete the last code group with silence, so that the coder's
    // leftover bits reach the output and the file ends on a whole group.
    if (m_group > 1 && m_groupFill) {
      std::fill(m_pcm.begin(), m_pcm.begin() + (m_group - m_groupFill), int16_t{0});
      if (uint32_t rc = EncodePcm(m_group - m_groupFill, out)) return Fail(rc);
    }
    ReleaseCoder();
    if (uint32_t rc = InitCoder()) return Fail(rc);
    return 0;
  }

  uint32_t OutputRate() const override { return m_row.rate; }
  uint32_t OutputBits() const override { return m_row.bits; }

 private:
  uint32_t Fail(uint32_t rc) {
    // A library that failed mid-stream leaves its state unknown: refuse
    // further work instead of producing audio with a hole in it.
    m_failed = true;
    return rc;
  }

  uint32_t InitCoder() {
    m_groupFill = 0;
    m_group = 1;
    if (m_row.coding == Coding::kG726) {
      // 4-bit codes fill a byte every 2 samples, 3- and 5-bit every 8.
      m_group = m_row.bits == 4 ? 2 : 8;
      m_g726.emplace(static_cast<int>(m_row.bits));
    } else if (m_row.coding == Coding::kOki) {
      // Always the 32 kbit/s (4-bit) coder, also for the 6 kHz code: our
      // resampler already brought the samples to the output rate.
      m_group = 2;
      m_oki.emplace();
    }
    return 0;
  }

  void ReleaseCoder() {
    m_g726.reset();
    m_oki.reset();
  }

  // Feeds n samples (or the end of input when in is null) to the resampler
  // and encodes everything it gives back.
  uint32_t Resample(const float* in, size_t n, std::vector<uint8_t>* out) {
    size_t used = 0;
    for (int guard = 0;; ++guard) {
      size_t idone = 0, odone = 0;
      soxr_error_t err = soxr_process(m_soxr, in ? in + used : nullptr, in ? n - used : 0,
                                      in ? &idone : nullptr, m_resampled.data(), m_outCap, &odone);
      if (err) return TTSERR_ENGINEFAIL;
      used += idone;
      if (odone) {
        if (uint32_t rc = Encode(m_resampled.data(), odone, out)) return rc;
      }
      if (in) {
        if (used == n && odone < m_outCap) return 0;
      } else if (odone == 0) {
        return 0;
      }
      // A resampler that neither takes input nor gives output would spin.
      if (!idone && !odone) return in ? TTSERR_ENGINEFAIL : 0;
      if (guard > 1 << 20) return TTSERR_ENGINEFAIL;
    }
  }

  // Encodes n samples (16-bit units, any value) at the output rate; n is at
  // most the buffer capacity.
  uint32_t Encode(const float* v, size_t n, std::vector<uint8_t>* out) {
    if (m_row.coding == Coding::kG726 || m_row.coding == Coding::kOki) {
      for (size_t i = 0; i < n; ++i)
        m_pcm[i] = static_cast<int16_t>(RoundClip(v[i], -32768, 32767));
      return EncodePcm(n, out);
    }
    size_t at = out->size();
    out->resize(at + (m_row.coding == Coding::kPcm16 ? 2 * n : n));
    uint8_t* p = out->data() + at;
    switch (m_row.coding) {
      case Coding::kPcm16:
        for (size_t i = 0; i < n; ++i) {
          auto s = static_cast<uint16_t>(RoundClip(v[i], -32768, 32767));
          p[2 * i] = static_cast<uint8_t>(s & 0xFF);
          p[2 * i + 1] = static_cast<uint8_t>(s >> 8);
        }
        break;
      case Coding::kPcm8:
        // Unsigned 8-bit as WAVE files hold it: 128 is silence. Dividing by
        // 256 is exact in float, so the rounding is that of lrint.
        for (size_t i = 0; i < n; ++i)
          p[i] = static_cast<uint8_t>(RoundClip(v[i] / 256.0f, -128, 127) + 128);
        break;
      case Coding::kALaw:
        for (size_t i = 0; i < n; ++i)
          p[i] = linear_to_alaw(static_cast<int>(RoundClip(v[i], -32768, 32767)));
        break;
      case Coding::kMuLaw:
        for (size_t i = 0; i < n; ++i)
          p[i] = linear_to_ulaw(static_cast<int>(RoundClip(v[i], -32768, 32767)));
        break;
      case Coding::kG726:
      case Coding::kOki:
        break;
    }
    return 0;
  }

  // Runs the ADPCM coder over the first n samples of m_pcm.
  uint32_t EncodePcm(size_t n, std::vector<uint8_t>* out) {
    // At most one byte per sample at 4 bits or fewer, 5/8 byte at 5 bits,
    // plus the bits the coder held back.
    size_t at = out->size();
    out->resize(at + n + 2);
    size_t made = m_g726 ? m_g726->Encode(m_pcm.data(), n, out->data() + at)
                         : m_oki->Encode(m_pcm.data(), n, out->data() + at);
    out->resize(at + made);
    m_groupFill = (m_groupFill + n) % m_group;
    return 0;
  }

  const FormatRow m_row;
  const uint32_t m_inRate;
  soxr_t m_soxr = nullptr;
  std::optional<CG726Encoder> m_g726;
  std::optional<COkiEncoder> m_oki;
  size_t m_outCap = 0;
  std::vector<float> m_in;         // one piece of input, as float
  std::vector<float> m_resampled;  // the resampler's output for one call
  std::vector<int16_t> m_pcm;      // rounded samples for the ADPCM coders
  size_t m_group = 1;              // samples per whole output byte group
  size_t m_groupFill = 0;          // samples of the current group already coded
  bool m_failed = false;
};

}  // namespace

std::unique_ptr<CAudioEncoder> CAudioEncoder::Create(uint32_t code, uint32_t inputRate,
                                                     uint32_t* error) {
  auto refuse = [error](uint32_t rc) {
    if (error) *error = rc;
    return std::unique_ptr<CAudioEncoder>();
  };
  if (code == 0) code = kDefaultCode;
  if (code > kLastCode) return refuse(TTSERR_INVALIDVALUE);
  if (inputRate < kMinInputRate || inputRate > kMaxInputRate) return refuse(TTSERR_INVALIDVALUE);
  auto enc = std::make_unique<CResamplingEncoder>(kFormats[code], inputRate);
  if (uint32_t rc = enc->Init()) return refuse(rc);
  if (error) *error = 0;
  return enc;
}

}  // namespace varentts
