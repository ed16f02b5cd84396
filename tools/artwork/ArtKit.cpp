#include "tools/artwork/ArtKit.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace art {

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

CArtPainter::CArtPainter(QImage* image) : QPainter(image) {
  setRenderHint(QPainter::Antialiasing, true);
}

void CArtPainter::Pixels(int x, int y, int w, int h, const QColor& color) {
  fillRect(QRect(x, y, w, h), color);
}

void CArtPainter::Outline(int x, int y, int w, int h, const QColor& color) {
  Pixels(x, y, w, 1, color);
  Pixels(x, y + h - 1, w, 1, color);
  Pixels(x, y + 1, 1, h - 2, color);
  Pixels(x + w - 1, y + 1, 1, h - 2, color);
}

void CArtPainter::Shape(const QPainterPath& path, const QColor& fill, const QColor& edge) {
  save();
  setPen(edge.isValid() ? QPen(edge, 1.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin)
                        : QPen(Qt::NoPen));
  setBrush(fill.isValid() ? QBrush(fill) : QBrush(Qt::NoBrush));
  drawPath(path);
  restore();
}

void CArtPainter::Stroke(const std::vector<QPointF>& points, const QColor& color, double width) {
  save();
  setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  setBrush(Qt::NoBrush);
  drawPolyline(points.data(), static_cast<int>(points.size()));
  restore();
}

QImage Strip(const std::vector<Glyph>& glyphs) {
  QImage strip = Canvas(16 * static_cast<int>(glyphs.size()), 16);
  for (size_t i = 0; i < glyphs.size(); ++i) {
    QImage cell = Canvas(16, 16);
    {
      CArtPainter p(&cell);
      glyphs[i](p);
    }
    QPainter s(&strip);
    s.drawImage(16 * static_cast<int>(i), 0, cell);
  }
  return strip.convertToFormat(QImage::Format_ARGB32);
}

namespace {

// Applies f to every visible pixel's colour (straight alpha); alpha stays.
QImage MapColours(const QImage& source, const std::function<QColor(const QColor&)>& f) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(row[x]);
      if (alpha == 0) continue;
      QColor c = f(QColor::fromRgb(row[x]));
      c.setAlpha(alpha);
      row[x] = c.rgba();
    }
  }
  return image;
}

}  // namespace

QImage Highlighted(const QImage& normal) {
  return MapColours(normal, [](const QColor& c) {
    float h, s, v, a;
    c.getHsvF(&h, &s, &v, &a);
    // Coloured parts gain saturation and light; greys and white stay neutral.
    if (s > 0.08f) s = std::min(1.0f, s * 1.08f + 0.03f);
    v = std::min(1.0f, v * 1.07f + 0.03f);
    return QColor::fromHsvF(h < 0 ? 0 : h, s, v);
  });
}

QImage Disabled(const QImage& normal) {
  return MapColours(normal, [](const QColor& c) {
    // Luma squeezed into a light band: dark outlines stay visible against the
    // white parts, and nothing looks active.
    const double luma = 0.299 * c.red() + 0.587 * c.green() + 0.114 * c.blue();
    const int g = static_cast<int>(std::lround(132.0 + luma * 0.44));
    return QColor(g, g, g);
  });
}

QImage WithColourKey(const QImage& source, const QColor& key) {
  QImage image = source.convertToFormat(QImage::Format_ARGB32);
  const QRgb keyed = qRgba(key.red(), key.green(), key.blue(), 0);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      if (qAlpha(row[x]) == 0) row[x] = keyed;
    }
  }
  return image;
}

}  // namespace art
