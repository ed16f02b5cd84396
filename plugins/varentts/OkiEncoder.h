// Dialogic/OKI 4-bit ADPCM encoder at 32 kbit/s (VOX files). The coder works
// on 12-bit samples: each 16-bit input sample is shifted right by 4 (rounding
// down), the difference to the last reconstructed sample is quantized against
// one of 49 step sizes, and the reconstruction saturates at -2048..2047. Two
// codes make a byte, the first in the high nibble; a code left over at the end
// of a call waits for the next one, so the bytes never depend on how the input
// was split. The output is bit-exact with spandsp's oki_adpcm_encode at
// 32000 bit/s.
//
// Written for speed: the state lives in locals while a call runs, the
// quantizer's three decisions are branch-free, the reconstructed difference
// falls out of them, and one table look-up gives the next step with all the
// values the next sample compares against. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varentts {

class COkiEncoder {
 public:
  // Encodes n samples into out and returns the bytes written: one byte for
  // each pair of codes, so at most (n + 1) / 2.
  size_t Encode(const int16_t* in, size_t n, uint8_t* out);
  // Back to the initial state, dropping a carried code.
  void Reset() { *this = COkiEncoder(); }

 private:
  int32_t m_last = 0;      // last reconstructed sample, 12 bits
  uint32_t m_step = 0;     // the current step, as its place in the table
  uint32_t m_carry = 0;    // the code waiting for its pair (high nibble)
  bool m_carried = false;  // whether one waits
};

}  // namespace varentts
