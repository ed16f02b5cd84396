#include "engine/EngineFormats.h"

namespace {

constexpr EngineFormat kTable[kEngineFormatCount] = {
    {0, 0, 0},                                                     // 0: the engine's default
    {8000, 8, 1},  {16000, 8, 1},  {8000, 16, 1}, {16000, 16, 1},  // 1-4
    {11025, 8, 1}, {11025, 16, 1},                                 // 5-6
    {6000, 8, 1},  {6000, 16, 1},                                  // 7-8
    {16000, 8, 6}, {16000, 8, 7},                                  // 9-10
    {8000, 8, 6},  {8000, 8, 7},                                   // 11-12
    {11025, 8, 6}, {11025, 8, 7},                                  // 13-14
    {6000, 8, 6},  {6000, 8, 7},                                   // 15-16
    {8000, 4, 8},  {6000, 4, 8},   {8000, 3, 8},  {8000, 5, 8},    // 17-20
    {6000, 4, 8},  {8000, 4, 8},                                   // 21-22
    {6000, 0, 0},  {8000, 0, 0},   {11025, 0, 0}, {16000, 0, 0},   // 23-26
    {6000, 0, 0},  {8000, 0, 0},   {11025, 0, 0}, {16000, 0, 0},   // 27-30
};

}  // namespace

EngineFormat EngineFormatOf(uint32_t code) {
  return code < kEngineFormatCount ? kTable[code] : kTable[0];
}

WAVEFORMATEX WaveFormatOf(uint32_t code) {
  EngineFormat f = EngineFormatOf(code);
  WAVEFORMATEX w{};
  w.wFormatTag = f.tag;
  w.nChannels = 1;
  w.nSamplesPerSec = f.rate;
  w.wBitsPerSample = f.bits;
  w.nBlockAlign = static_cast<uint16_t>(f.bits / 8);
  w.nAvgBytesPerSec = w.nBlockAlign * f.rate;
  w.cbSize = 0;
  return w;
}
