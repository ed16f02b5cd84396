#include "speechview/Spectrum.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace {

constexpr double kFloorDb = -90.0;

std::mutex& PlannerLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

SpectrumShape SpectrumShapeFor(uint32_t rate) {
  SpectrumShape s;
  if (rate == 0) return s;
  uint32_t n = 64;
  while (n < rate * 0.016) n *= 2;
  s.window = n;
  s.hop = n / 2;
  s.bins = n / 2 + 1;
  return s;
}

uint8_t SpectrumLevelByte(double db) {
  if (!(db > kFloorDb)) return 0;
  if (db >= 0) return 255;
  return static_cast<uint8_t>(std::lround((db - kFloorDb) / -kFloorDb * 255.0));
}

double SpectrumBinHz(const SpectrumShape& shape, uint32_t rate, uint32_t bin) {
  return shape.window == 0 ? 0.0 : double(bin) * rate / shape.window;
}

struct CSpectrumAnalyzer::Plan {
  float* in = nullptr;
  fftwf_complex* out = nullptr;
  fftwf_plan plan = nullptr;
  std::vector<float> window;
  ~Plan() {
    std::lock_guard<std::mutex> lock(PlannerLock());
    if (plan != nullptr) fftwf_destroy_plan(plan);
    fftwf_free(in);
    fftwf_free(out);
  }
};

CSpectrumAnalyzer::CSpectrumAnalyzer(uint32_t rate)
    : m_shape(SpectrumShapeFor(rate)), m_plan(std::make_unique<Plan>()) {
  const uint32_t n = std::max<uint32_t>(m_shape.window, 2);
  {
    std::lock_guard<std::mutex> lock(PlannerLock());
    m_plan->in = fftwf_alloc_real(n);
    m_plan->out = fftwf_alloc_complex(n / 2 + 1);
    m_plan->plan = fftwf_plan_dft_r2c_1d(static_cast<int>(n), m_plan->in, m_plan->out,
                                         FFTW_ESTIMATE | FFTW_DESTROY_INPUT);
  }
  // Hann, scaled so that a full-scale sine gives 0 dB at its bin: the
  // window's coherent gain is one half, the real transform's peak n / 2.
  m_plan->window.resize(n);
  const double scale = 1.0 / (32768.0 * n / 4.0);
  for (uint32_t i = 0; i < n; ++i)
    m_plan->window[i] = static_cast<float>(0.5 * (1 - std::cos(2 * M_PI * i / n)) * scale);
}

CSpectrumAnalyzer::~CSpectrumAnalyzer() = default;

void CSpectrumAnalyzer::Column(const int16_t* samples, uint8_t* out) {
  const uint32_t n = m_shape.window;
  if (n == 0 || m_plan->plan == nullptr) return;
  for (uint32_t i = 0; i < n; ++i) m_plan->in[i] = samples[i] * m_plan->window[i];
  fftwf_execute(m_plan->plan);
  for (uint32_t k = 0; k < m_shape.bins; ++k) {
    const float re = m_plan->out[k][0], im = m_plan->out[k][1];
    // The bins at 0 Hz and at half the rate have no mirror image to share
    // their energy with.
    const float power = (re * re + im * im) * (k == 0 || k == n / 2 ? 0.25f : 1.0f);
    out[k] = SpectrumLevelByte(power > 0 ? 10.0 * std::log10(double(power)) : -1000.0);
  }
}
