#include "plugins/varentts/OkiEncoder.h"

#include <array>

namespace varentts {
namespace {

constexpr int32_t kStepSizes[49] = {
    16,  17,  19,  21,  23,  25,  28,  31,  34,  37,  41,   45,   50,   55,   60,  66,  73,
    80,  88,  97,  107, 118, 130, 143, 157, 173, 190, 209,  230,  253,  279,  307, 337, 371,
    408, 449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
constexpr int32_t kLastIndex = 48;

// The step a code leads to: its size with its half, quarter and eighth (each
// rounded down on its own, as the decoder forms them), and where the row of
// that step's own successors starts. Row i holds the successors of step i for
// the code magnitudes 0..7, so one load per sample gives the next step; the
// first entry (step 0 after a small code) stands for the initial state.
struct Entry {
  int16_t full, half, quarter, eighth;
  uint16_t row;
  int16_t unused[3];  // pads the entry to 16 bytes
};

constexpr std::array<Entry, 49 * 8> kSuccessors = [] {
  std::array<Entry, 49 * 8> t{};
  for (int32_t i = 0; i <= kLastIndex; ++i) {
    for (int32_t m = 0; m < 8; ++m) {
      // Magnitudes 0..3 step down one place, 4..7 up 2, 4, 6 or 8.
      int32_t next = i + (m < 4 ? -1 : 2 * m - 6);
      next = next < 0 ? 0 : next > kLastIndex ? kLastIndex : next;
      const int32_t s = kStepSizes[next];
      t[size_t(i * 8 + m)] = {int16_t(s),      int16_t(s >> 1),    int16_t(s >> 2),
                              int16_t(s >> 3), uint16_t(next * 8), {}};
    }
  }
  return t;
}();

// Quantizes one sample against the current step: returns its 4-bit code and
// moves the reconstruction and the step on.
[[gnu::always_inline]] inline uint32_t Code(int32_t sample, int32_t& last, const Entry*& step) {
  const Entry& st = *step;
  const int32_t d = (sample >> 4) - last;
  const int32_t magnitude = d < 0 ? -d : d;
  // The step, its half and its quarter are taken off in turn where they fit;
  // the parts taken are the code's magnitude bits, and their sum plus the
  // eighth is the reconstructed difference.
  int32_t r = magnitude;
  const bool b2 = r >= st.full;
  r -= b2 ? st.full : 0;
  const bool b1 = r >= st.half;
  r -= b1 ? st.half : 0;
  const bool b0 = r >= st.quarter;
  r -= b0 ? st.quarter : 0;
  const int32_t dq = st.eighth + magnitude - r;
  int32_t next = d < 0 ? last - dq : last + dq;
  next = next > 2047 ? 2047 : next;
  last = next < -2048 ? -2048 : next;
  const uint32_t m = uint32_t(b2) << 2 | uint32_t(b1) << 1 | uint32_t(b0);
  step = kSuccessors.data() + st.row + m;
  return (d < 0 ? 8u : 0u) | m;
}

}  // namespace

size_t COkiEncoder::Encode(const int16_t* in, size_t n, uint8_t* out) {
  int32_t last = m_last;
  const Entry* step = kSuccessors.data() + m_step;
  size_t i = 0, made = 0;
  if (m_carried && n) {
    out[made++] = static_cast<uint8_t>(m_carry << 4 | Code(in[i++], last, step));
    m_carried = false;
  }
  for (; i + 1 < n; i += 2) {
    const uint32_t high = Code(in[i], last, step);
    out[made++] = static_cast<uint8_t>(high << 4 | Code(in[i + 1], last, step));
  }
  if (i < n) {
    m_carry = Code(in[i], last, step);
    m_carried = true;
  }
  m_last = last;
  m_step = static_cast<uint32_t>(step - kSuccessors.data());
  return made;
}

}  // namespace varentts
