// The spectrogram's columns: a Hann window of about 16 ms (a power of two of
// samples: 128 at 8000 Hz, 256 at 16000 Hz, 512 at 22050 Hz), every half
// window, through a real FFT (FFTW3, single precision). Each column holds
// WindowSize() / 2 + 1 levels, 0 Hz to half the sample rate, as log
// magnitudes in one byte: 0 is -90 dB or less, 255 is 0 dB, where 0 dB is a
// sine of full 16-bit scale.
//
// FFTW's planner is not thread-safe: every analyzer makes its plan under one
// process-wide lock. After construction an analyzer may be used by one
// thread at a time, and different analyzers on different threads at once.
#pragma once

#include <cstdint>
#include <memory>

struct SpectrumShape {
  uint32_t window = 0;  // samples in the window, a power of two
  uint32_t hop = 0;     // samples from one column to the next
  uint32_t bins = 0;    // levels in a column
};

// The shape for a sample rate (0: none).
SpectrumShape SpectrumShapeFor(uint32_t rate);

// The byte that a level in decibels (relative to full scale) is stored as.
uint8_t SpectrumLevelByte(double db);
// The frequency of level `bin` of a column.
double SpectrumBinHz(const SpectrumShape& shape, uint32_t rate, uint32_t bin);

class CSpectrumAnalyzer {
 public:
  explicit CSpectrumAnalyzer(uint32_t rate);
  ~CSpectrumAnalyzer();
  CSpectrumAnalyzer(const CSpectrumAnalyzer&) = delete;
  CSpectrumAnalyzer& operator=(const CSpectrumAnalyzer&) = delete;

  const SpectrumShape& Shape() const { return m_shape; }
  // One column from Shape().window samples; writes Shape().bins bytes.
  void Column(const int16_t* samples, uint8_t* out);

 private:
  SpectrumShape m_shape;
  struct Plan;
  std::unique_ptr<Plan> m_plan;
};
