// Which stretch of a recording a picture shows: the sample at its left edge
// and how many samples one pixel column holds, and the rules by which the
// user moves it (zoom about a point, scroll, follow the play). Widget-free.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

struct SpeechViewRange {
  double first = 0;     // the sample at x = 0
  double perPixel = 1;  // samples per pixel column
  bool operator==(const SpeechViewRange& o) const {
    return first == o.first && perPixel == o.perPixel;
  }
  bool operator!=(const SpeechViewRange& o) const { return !(*this == o); }
  double SampleAt(double x) const { return first + x * perPixel; }
  double XOf(double sample) const { return (sample - first) / perPixel; }
};

class CSpeechViewport {
 public:
  // The closest view: 16 pixels a sample.
  static constexpr double kMinPerPixel = 1.0 / 16;
  // What a new synthesis shows across the width: ten seconds.
  static constexpr double kDefaultSeconds = 10;

  // A new recording: the default zoom at its start.
  void Reset(uint32_t rate, int width);
  void SetWidth(int width);
  // The recording's length so far; keeps the view within it. While it still
  // grows, the view may show at least the default seconds; once finished, a
  // short recording may fill the width.
  void SetSamples(uint64_t samples, bool finished);

  const SpeechViewRange& Range() const { return m_range; }
  int Width() const { return m_width; }
  uint32_t Rate() const { return m_rate; }

  // Zooms by factor (below 1 closer) keeping the sample under x in place.
  void ZoomAbout(double x, double factor);
  // Scrolls by dx pixels (positive: later audio comes into view).
  void ScrollBy(double dx);
  // Shows the whole recording.
  void Fit();
  // Makes the sample visible: when it lies outside the view (or in its last
  // tenth), the view turns a page so that it stands a tenth in.
  void Follow(double sample);
  // Makes [from, to) visible with little movement.
  void Reveal(double from, double to);

  // Whether the user has zoomed or scrolled since the last Reset.
  bool MovedByUser() const { return m_bMoved; }
  void SetMovedByUser(bool moved) { m_bMoved = moved; }

 private:
  double MaxPerPixel() const;
  void Clamp();

  SpeechViewRange m_range;
  int m_width = 1;
  uint32_t m_rate = 0;
  uint64_t m_samples = 0;
  bool m_bFinished = false;
  bool m_bMoved = false;
};

struct AxisTick {
  double seconds;
  double x;
  QString label;
};

// Ticks of the time axis for a view: at 1, 2 or 5 times a power of ten
// seconds, the smallest step that leaves at least minSpacing pixels between
// ticks, labelled with as many decimals as the step needs.
std::vector<AxisTick> AxisTicks(const SpeechViewRange& range, uint32_t rate, int width,
                                double minSpacing);
