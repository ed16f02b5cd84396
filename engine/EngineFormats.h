// The engine format table: TTS_PARAM_AUDIODATAFMT code -> rate, bits, tag.
// Codes 31 and above read as 0.
#pragma once

#include <cstdint>

#include "audio/AudioTypes.h"

struct EngineFormat {
  uint32_t rate;
  uint16_t bits;
  uint16_t tag;
};

inline constexpr int kEngineFormatCount = 31;
inline constexpr uint16_t kFormatTagAdpcm = 8;

EngineFormat EngineFormatOf(uint32_t code);
// The audio format descriptor of a code: 1 channel, block align bits / 8
// (0 for the 3-, 4- and 5-bit rows), bytes per second block align * rate.
WAVEFORMATEX WaveFormatOf(uint32_t code);
