#include "speechview/SpeechViewport.h"

#include <algorithm>
#include <cmath>

void CSpeechViewport::Reset(uint32_t rate, int width) {
  m_rate = rate;
  m_width = std::max(width, 1);
  m_samples = 0;
  m_bFinished = false;
  m_bMoved = false;
  m_range.first = 0;
  m_range.perPixel = std::max(kMinPerPixel, rate * kDefaultSeconds / m_width);
}

void CSpeechViewport::SetWidth(int width) {
  width = std::max(width, 1);
  if (width == m_width) return;
  // The same seconds stay in view.
  m_range.perPixel = m_range.perPixel * m_width / width;
  m_width = width;
  Clamp();
}

void CSpeechViewport::SetSamples(uint64_t samples, bool finished) {
  m_samples = samples;
  m_bFinished = finished;
  Clamp();
}

double CSpeechViewport::MaxPerPixel() const {
  // Out to the whole recording; while it grows, never less than the default
  // view, once finished never less than a tenth of a second.
  const double least = m_rate * (m_bFinished ? 0.1 : kDefaultSeconds);
  const double whole = std::max<double>(double(m_samples), least);
  return std::max(kMinPerPixel, whole / m_width);
}

void CSpeechViewport::Clamp() {
  m_range.perPixel = std::clamp(m_range.perPixel, kMinPerPixel, MaxPerPixel());
  const double last = std::max(0.0, double(m_samples) - m_width * m_range.perPixel);
  m_range.first = std::clamp(m_range.first, 0.0, last);
}

void CSpeechViewport::ZoomAbout(double x, double factor) {
  if (!(factor > 0)) return;
  const double anchor = m_range.SampleAt(x);
  m_range.perPixel = std::clamp(m_range.perPixel * factor, kMinPerPixel, MaxPerPixel());
  m_range.first = anchor - x * m_range.perPixel;
  Clamp();
  m_bMoved = true;
}

void CSpeechViewport::ScrollBy(double dx) {
  m_range.first += dx * m_range.perPixel;
  Clamp();
  m_bMoved = true;
}

void CSpeechViewport::Fit() {
  m_range.first = 0;
  m_range.perPixel = MaxPerPixel();
  Clamp();
}

void CSpeechViewport::Follow(double sample) {
  const double span = m_width * m_range.perPixel;
  if (sample >= m_range.first && sample < m_range.first + span * 0.9) return;
  m_range.first = sample - span * 0.1;
  Clamp();
}

void CSpeechViewport::Reveal(double from, double to) {
  const double span = m_width * m_range.perPixel;
  if (from >= m_range.first && to <= m_range.first + span) return;
  if (to - from >= span || from < m_range.first)
    m_range.first = from - span * 0.1;
  else
    m_range.first = to - span * 0.9;
  Clamp();
}

std::vector<AxisTick> AxisTicks(const SpeechViewRange& range, uint32_t rate, int width,
                                double minSpacing) {
  std::vector<AxisTick> ticks;
  if (rate == 0 || width <= 0 || !(range.perPixel > 0)) return ticks;
  const double secondsPerPixel = range.perPixel / rate;
  const double wanted = std::max(minSpacing, 1.0) * secondsPerPixel;
  double step = std::pow(10.0, std::floor(std::log10(wanted)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (step * m >= wanted * (1 - 1e-9)) {
      step *= m;
      break;
    }
  }
  const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(step) + 1e-9)));
  const double firstSecond = range.first / rate;
  const double lastSecond = (range.first + width * range.perPixel) / rate;
  for (double k = std::ceil(firstSecond / step - 1e-9); k * step <= lastSecond + 1e-12; k += 1) {
    const double seconds = k * step;
    ticks.push_back({seconds, range.XOf(seconds * rate), QString::number(seconds, 'f', decimals)});
  }
  return ticks;
}
