#include "speechview/SpeechPicture.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>

#include "speechview/SpeechRecording.h"

namespace {

constexpr int kAxisHeight = 20;
constexpr int kTierHeight = 24;
constexpr QRgb kCentreLine = 0xffc8d0dc;
constexpr QRgb kNotMadeYet = 0xfff7f7f7;
constexpr QRgb kLabel = 0xff000000;
// More boxes than this many per pixel column are drawn as a band of ticks.
constexpr size_t kMaxBoxesPerColumn = 2;

QFont PictureFont() {
  QFont font;
  font.setPixelSize(12);
  return font;
}

// One pixel column of the spectrogram: what it shows.
enum class SpectrumState : uint8_t { kBlank, kLevels, kNotKept };

struct BoxToDraw {
  double x0, x1;
  QString label;
};

}  // namespace

SpeechPictureLayout LayoutSpeechPicture(QSize size) {
  SpeechPictureLayout l;
  const int w = std::max(size.width(), 0), h = std::max(size.height(), 0);
  const int axis = std::min(kAxisHeight, h / 4);
  const int tier = std::min(kTierHeight, h / 4);
  const int rest = std::max(h - axis - tier, 0);
  const int wave = rest * 2 / 5;
  l.wave = QRect(0, 0, w, wave);
  l.spectrum = QRect(0, wave, w, rest - wave);
  l.tier = QRect(0, rest, w, tier);
  l.axis = QRect(0, rest + tier, w, axis);
  return l;
}

int SpectrumRowOf(const SpeechPictureLayout& layout, double hz, uint32_t rate) {
  const QRect& r = layout.spectrum;
  if (rate == 0 || r.height() <= 0) return r.top();
  const double f = std::clamp(hz / (rate / 2.0), 0.0, 1.0);
  return r.top() + static_cast<int>(std::lround((r.height() - 1) * (1.0 - f)));
}

QRgb SpectrumColour(uint8_t level) {
  // The inferno map at nine points, between them in straight lines.
  static const std::array<QRgb, 256> table = [] {
    constexpr int kPoints[9][3] = {{0, 0, 4},      {31, 12, 72},   {85, 15, 109},
                                   {136, 34, 106}, {186, 54, 85},  {227, 89, 51},
                                   {249, 140, 10}, {249, 201, 50}, {252, 255, 164}};
    std::array<QRgb, 256> t{};
    for (int i = 0; i < 256; ++i) {
      const double p = i / 255.0 * 8;
      const int k = std::min(static_cast<int>(p), 7);
      const double f = p - k;
      int c[3];
      for (int j = 0; j < 3; ++j)
        c[j] =
            static_cast<int>(std::lround(kPoints[k][j] + (kPoints[k + 1][j] - kPoints[k][j]) * f));
      t[static_cast<size_t>(i)] = qRgb(c[0], c[1], c[2]);
    }
    return t;
  }();
  return table[level];
}

void DrawSpeechPicture(const CSpeechRecording& recording, const SpeechViewRange& range,
                       const QString& unitFormat, QImage* image) {
  const int width = image->width();
  const SpeechPictureLayout layout = LayoutSpeechPicture(image->size());
  if (width <= 0) return;

  // What is drawn, copied under the recording's lock.
  uint32_t rate = 0;
  uint64_t total = 0;
  std::vector<SampleRange> wave(static_cast<size_t>(width));
  std::vector<int16_t> closeSamples;  // a close view: the samples themselves
  uint64_t closeFirst = 0;
  SpectrumShape shape;
  std::vector<uint8_t> levels;
  std::vector<SpectrumState> spectrumState(static_cast<size_t>(width), SpectrumState::kBlank);
  std::vector<BoxToDraw> boxes;
  std::vector<uint8_t> denseColumns;  // columns with too many boxes to draw
  {
    CSpeechRecording::Reader r(recording);
    rate = r.Rate();
    total = r.Samples();
    shape = r.Spectrum();
    levels.assign(static_cast<size_t>(width) * shape.bins, 0);
    const double right = range.SampleAt(width);
    if (range.perPixel <= 1) {
      closeFirst = static_cast<uint64_t>(std::max(0.0, std::floor(range.first)));
      const auto to = static_cast<uint64_t>(std::max(0.0, std::ceil(right) + 1));
      if (!r.CopySamples(closeFirst, to, &closeSamples)) closeSamples.clear();
    }
    for (int x = 0; x < width; ++x) {
      const double s0 = range.SampleAt(x), s1 = range.SampleAt(x + 1);
      if (s1 <= 0 || s0 >= double(total)) continue;
      const auto from = static_cast<uint64_t>(std::max(0.0, std::floor(s0)));
      const auto to = std::max(from + 1, static_cast<uint64_t>(std::ceil(s1)));
      wave[static_cast<size_t>(x)] = r.WaveRange(from, to);

      if (shape.window == 0) continue;
      // The columns whose centres lie in the pixel's stretch (at most four
      // of them, evenly spread), or the nearest one.
      const double half = shape.window / 2.0;
      auto c0 = static_cast<int64_t>(std::ceil((s0 - half) / shape.hop));
      auto c1 = static_cast<int64_t>(std::ceil((s1 - half) / shape.hop));
      if (c1 <= c0) {
        c0 = static_cast<int64_t>(std::lround(((s0 + s1) / 2 - half) / shape.hop));
        c1 = c0 + 1;
      }
      c0 = std::max<int64_t>(c0, 0);
      if (c1 <= c0) continue;
      const int64_t n = c1 - c0;
      const int64_t take = std::min<int64_t>(n, 4);
      uint8_t* out = levels.data() + static_cast<size_t>(x) * shape.bins;
      bool any = false, missing = false;
      for (int64_t i = 0; i < take; ++i) {
        const uint64_t c = static_cast<uint64_t>(c0 + (take == 1 ? 0 : i * (n - 1) / (take - 1)));
        const uint8_t* column = r.Column(c);
        if (column == nullptr) {
          missing |= c < r.FirstColumn() && c * shape.hop < total;
          continue;
        }
        any = true;
        for (uint32_t b = 0; b < shape.bins; ++b) out[b] = std::max(out[b], column[b]);
      }
      spectrumState[static_cast<size_t>(x)] = any       ? SpectrumState::kLevels
                                              : missing ? SpectrumState::kNotKept
                                                        : SpectrumState::kBlank;
    }

    // The boxes in view, in order of their start.
    const std::vector<WordBox>& all = r.Boxes();
    auto it = std::upper_bound(all.begin(), all.end(), std::max(0.0, range.first),
                               [](double s, const WordBox& b) { return s < double(b.endSample); });
    const size_t limit = static_cast<size_t>(width) * kMaxBoxesPerColumn;
    size_t seen = 0;
    for (; it != all.end() && double(it->startSample) < right; ++it, ++seen) {
      const double x0 = range.XOf(double(it->startSample)), x1 = range.XOf(double(it->endSample));
      if (seen < limit) {
        boxes.push_back({x0, x1, r.Label(*it)});
      } else {
        if (denseColumns.empty()) denseColumns.assign(static_cast<size_t>(width), 0);
        const int x = std::clamp(static_cast<int>(x0), 0, width - 1);
        denseColumns[static_cast<size_t>(x)] = 1;
      }
    }
    if (!denseColumns.empty()) {
      // Too many to draw one by one: every box becomes a tick.
      for (const BoxToDraw& b : boxes)
        denseColumns[static_cast<size_t>(std::clamp(static_cast<int>(b.x0), 0, width - 1))] = 1;
      boxes.clear();
    }
  }

  QPainter p(image);
  p.setFont(PictureFont());

  // Waveform.
  const QRect& wr = layout.wave;
  p.fillRect(wr, QColor::fromRgb(kWaveBackground));
  const double mid = wr.top() + wr.height() / 2.0;
  const double scale = std::max(wr.height() / 2.0 - 1, 0.0) / 32768.0;
  auto yOf = [&](double v) { return mid - v * scale; };
  if (wr.height() > 0) {
    for (int x = 0; x < width; ++x) {
      if (range.SampleAt(x) < double(total)) continue;
      p.fillRect(QRect(x, wr.top(), width - x, wr.height()), QColor::fromRgb(kNotMadeYet));
      break;
    }
    p.setPen(QColor::fromRgb(kCentreLine));
    p.drawLine(QPointF(0, mid), QPointF(width, mid));
    p.setPen(QColor::fromRgb(kWaveTrace));
    if (!closeSamples.empty() && range.perPixel <= 1) {
      std::vector<QPointF> points;
      for (size_t i = 0; i < closeSamples.size(); ++i)
        points.emplace_back(range.XOf(double(closeFirst + i)), yOf(closeSamples[i]));
      p.setRenderHint(QPainter::Antialiasing, true);
      p.drawPolyline(points.data(), static_cast<int>(points.size()));
      p.setRenderHint(QPainter::Antialiasing, false);
    } else {
      for (int x = 0; x < width; ++x) {
        const SampleRange& s = wave[static_cast<size_t>(x)];
        if (s.empty) continue;
        const int top = static_cast<int>(std::floor(yOf(s.hi)));
        const int bottom = std::max(top, static_cast<int>(std::ceil(yOf(s.lo))));
        p.drawLine(x, top, x, bottom);
      }
    }
  }

  // Spectrogram, pixel by pixel.
  const QRect& sr = layout.spectrum;
  p.fillRect(sr, QColor::fromRgb(kNotMadeYet));
  p.end();
  if (sr.height() > 0 && shape.bins > 1 &&
      (image->format() == QImage::Format_RGB32 || image->format() == QImage::Format_ARGB32)) {
    const int rows = sr.height();
    const double binsPerRow = rows > 1 ? double(shape.bins - 1) / (rows - 1) : 0;
    for (int y = 0; y < rows; ++y) {
      auto* line = reinterpret_cast<QRgb*>(image->scanLine(sr.top() + y));
      const double at = (rows - 1 - y) * binsPerRow;  // fractional bin
      const auto lo = static_cast<uint32_t>(std::max(0.0, std::floor(at - binsPerRow / 2 + 0.5)));
      const auto hi =
          std::min<uint32_t>(shape.bins - 1, static_cast<uint32_t>(at + binsPerRow / 2));
      const auto b0 = static_cast<uint32_t>(at);
      const uint32_t b1 = std::min(b0 + 1, shape.bins - 1);
      const double frac = at - b0;
      for (int x = 0; x < width; ++x) {
        const SpectrumState state = spectrumState[static_cast<size_t>(x)];
        if (state == SpectrumState::kNotKept) {
          line[x] = kNotKept;
          continue;
        }
        if (state != SpectrumState::kLevels) continue;
        const uint8_t* column = levels.data() + static_cast<size_t>(x) * shape.bins;
        int level = 0;
        if (binsPerRow > 1) {
          // More levels than rows: the strongest of those the row spans.
          for (uint32_t b = lo; b <= hi; ++b) level = std::max<int>(level, column[b]);
        } else {
          level = static_cast<int>(std::lround(column[b0] + (column[b1] - column[b0]) * frac));
        }
        line[x] = SpectrumColour(static_cast<uint8_t>(level));
      }
    }
  }
  p.begin(image);
  p.setFont(PictureFont());

  // Word tier.
  const QRect& tr = layout.tier;
  p.fillRect(tr, QColor::fromRgb(kTierBackground));
  if (tr.height() > 2) {
    const QFontMetrics metrics(p.font());
    for (const BoxToDraw& b : boxes) {
      const double x0 = std::max(b.x0, -1.0), x1 = std::min(b.x1, double(width) + 1);
      if (x1 <= x0) continue;
      const QRectF box(x0, tr.top() + 1, std::max(x1 - x0, 1.0), tr.height() - 3);
      p.fillRect(box, QColor::fromRgb(kBoxFill));
      p.setPen(QColor::fromRgb(kBoxBorder));
      p.drawRect(box);
      const int room = static_cast<int>(box.width()) - 4;
      if (room >= metrics.averageCharWidth()) {
        p.setPen(QColor::fromRgb(kLabel));
        p.drawText(box.adjusted(2, 0, -2, 0), Qt::AlignCenter,
                   metrics.elidedText(b.label, Qt::ElideRight, room));
      }
    }
    if (!denseColumns.empty()) {
      p.setPen(QColor::fromRgb(kBoxBorder));
      for (int x = 0; x < width; ++x)
        if (denseColumns[static_cast<size_t>(x)]) p.drawLine(x, tr.top() + 1, x, tr.bottom() - 1);
    }
  }

  // Time axis.
  const QRect& ar = layout.axis;
  p.fillRect(ar, QColor::fromRgb(kAxisBackground));
  if (ar.height() > 0 && rate != 0) {
    const QFontMetrics metrics(p.font());
    p.setPen(QColor::fromRgb(kLabel));
    const double spacing = metrics.horizontalAdvance(unitFormat.arg(QStringLiteral("00.00"))) + 16;
    for (const AxisTick& t : AxisTicks(range, rate, width, spacing)) {
      const int x = static_cast<int>(std::lround(t.x));
      p.drawLine(x, ar.top(), x, ar.top() + 4);
      const QString text = unitFormat.arg(t.label);
      const int w = metrics.horizontalAdvance(text) + 2;
      // Labels at the edges stay whole inside the picture.
      const int left = std::clamp(x - w / 2, 0, std::max(width - w, 0));
      p.drawText(QRect(left, ar.top() + 4, w, ar.height() - 4), Qt::AlignCenter, text);
    }
  }
}

QImage DrawWholeSpeech(const CSpeechRecording& recording, QSize size, const QString& unitFormat) {
  QImage image(size, QImage::Format_RGB32);
  if (image.isNull()) return image;
  uint64_t samples = 0;
  {
    CSpeechRecording::Reader r(recording);
    samples = r.Samples();
  }
  SpeechViewRange range;
  range.first = 0;
  range.perPixel = std::max(double(samples), 1.0) / std::max(size.width(), 1);
  DrawSpeechPicture(recording, range, unitFormat, &image);
  return image;
}

QImage PlotSpeech(const SpeechAudio& speech, QSize size, const QString& unitFormat) {
  CSpeechRecording recording;
  recording.Begin(speech.text, speech.codePage, 0);
  if (!recording.SetFormat(speech.formatCode)) return QImage();
  // In blocks, as the pipeline moves it: the decoded samples of an hour
  // never stand in memory at once.
  constexpr qsizetype kBlock = 65536;
  for (qsizetype at = 0; at < speech.audio.size(); at += kBlock)
    recording.AppendAudio(reinterpret_cast<const uint8_t*>(speech.audio.constData()) + at,
                          static_cast<size_t>(std::min(kBlock, speech.audio.size() - at)));
  recording.AppendPieces(speech.pieces);
  recording.Finish();
  recording.AnalyzeAll();
  return DrawWholeSpeech(recording, size, unitFormat);
}
