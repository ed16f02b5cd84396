// Converts the synthesiser's 16-bit mono audio into one of the engine's audio
// data formats (codes 1 to 22 of the engine format table): resampled with
// soxr at 16-bit quality, then encoded as 8- or 16-bit PCM, A-law or mu-law
// with spandsp, as G.721/G.723 (G.726 at 32/24/40 kbit/s) with CG726Encoder,
// or as Dialogic VOX with COkiEncoder.
//
// One encoder serves one synthesis: it keeps the resampler's and the ADPCM
// coder's state across calls, so pieces encoded one after another join
// without clicks. Not thread-safe; one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace varentts {

class CAudioEncoder {
 public:
  virtual ~CAudioEncoder() = default;

  // An encoder from 16-bit mono at inputRate to the format of code (1..22;
  // 0 means the default, code 4). Null with *error = TTSERR_INVALIDVALUE for
  // any other code, TTSERR_ENGINEFAIL when a library refuses.
  static std::unique_ptr<CAudioEncoder> Create(uint32_t code, uint32_t inputRate, uint32_t* error);

  // Appends the encoded bytes for these samples to *out (may append nothing
  // while the resampler or a code group fills). Returns 0 or an error code.
  virtual uint32_t Process(const int16_t* samples, size_t count, std::vector<uint8_t>* out) = 0;
  // Drains the resampler and pads the ADPCM coder to whole bytes / code
  // groups, appending the rest. The encoder can then be used again from a
  // clean state.
  virtual uint32_t Flush(std::vector<uint8_t>* out) = 0;

  virtual uint32_t OutputRate() const = 0;
  // Bits per output sample: 16 or 8 for PCM, 8 for A-law and mu-law, 3/4/5 for ADPCM.
  virtual uint32_t OutputBits() const = 0;
};

}  // namespace varentts
