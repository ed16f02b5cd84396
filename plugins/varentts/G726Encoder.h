// G.726 ADPCM encoder for 16-bit linear input at 24, 32 and 40 kbit/s (3, 4
// and 5 bits per code): adaptive quantizer, step size adaptation with speed
// control, a predictor with 2 poles and 6 zeros, and the tone and transition
// detectors. Its output is bit-exact with spandsp's g726_encode for
// G726_ENCODING_LINEAR and G726_PACKING_RIGHT: codes are packed from the
// least significant bit up, and the bits of an unfinished byte are carried to
// the next call, so the bytes never depend on how the input was split.
//
// Written for speed: the whole state lives in locals while a call runs, the
// predictor's eight floating-point-like products are formed side by side in
// vector lanes, logs use a count of leading zeros, and the quantizer's
// decision is one table look-up. Not thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace varentts {

class CG726Encoder {
 public:
  // bitsPerCode is 3, 4 or 5; anything else throws std::invalid_argument.
  explicit CG726Encoder(int bitsPerCode);

  // Encodes n samples into out and returns the bytes written: one byte each
  // time 8 code bits have gathered, so at most (n * bitsPerCode + 7) / 8.
  size_t Encode(const int16_t* in, size_t n, uint8_t* out);
  // Back to the initial state, dropping any carried bits.
  void Reset();

  int BitsPerCode() const { return m_bits; }

  // The coder's state between calls; the names follow the usual G.726 terms.
  struct State {
    int32_t yl;       // steady-state step size (locked)
    int32_t yu;       // fast step size (unlocked)
    int32_t dms;      // short-term average of the code's magnitude
    int32_t dml;      // long-term average of the code's magnitude
    int32_t ap;       // speed control between yl and yu
    int32_t a[2];     // pole coefficients
    int32_t b[6];     // zero coefficients
    int32_t pk[2];    // signs of the last two partial reconstructions
    int32_t dq[6];    // last six quantized differences, as 11-bit floats
    int32_t sr[2];    // last two reconstructed samples, as 11-bit floats
    int32_t td;       // tone detected
    uint32_t carry;   // code bits not yet written
    int32_t carried;  // how many
  };

 private:
  int m_bits;
  State m_s{};
};

}  // namespace varentts
