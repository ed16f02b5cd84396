// Procedural background sounds of the background-sound module. Each sound is
// one loop of kLoopSeconds seconds, synthesised for the requested sample rate
// so that its last sample runs smoothly into its first: noise comes from a
// hash of the position within the loop, filters are run over two loops and
// only the second (steady-state) loop is kept, and every tone and modulation
// completes a whole number of cycles per loop. The same value and rate always
// give the same samples.
//
// Levels are modest (about 30 dB below full scale, peaks limited to about
// -14 dBFS) so that speech mixed over them stays intelligible.
//
// Pure functions without shared state: any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace bgvoice {

inline constexpr uint32_t kLoopSeconds = 8;
inline constexpr uint32_t kMaxRate = 384000;

// The values that the sound lists offer (and TTS_PARAM_BACKGROUNDSOUND carries).
enum BgSound : uint32_t {
  kSoundRain = 1,
  kSoundWaves = 2,
  kSoundMusic = 3,
  kSoundNoise = 4,
  kSoundWind = 5,
  kSoundClock = 6,
};

bool IsKnownSound(uint32_t value);
// The number of samples in one loop at this rate.
constexpr uint64_t LoopLength(uint32_t rate) {
  return uint64_t(rate) * kLoopSeconds;
}
// One loop of the sound, LoopLength(rate) samples; empty for an unknown
// value, a rate of 0 or a rate above kMaxRate.
std::vector<int16_t> RenderLoop(uint32_t value, uint32_t rate);

}  // namespace bgvoice
