// The pictures of the control panel's own controls: the small arrows of its
// two scroll buttons and the slider thumbs. Pixel art on whole pixels, so the
// tiny shapes stay crisp.
#include <initializer_list>

#include "tools/artwork/ArtKit.h"

namespace art {
namespace {

using namespace ink;

void Rows(CArtPainter& p, int x, int y, std::initializer_list<const char*> rows,
          const QColor& color) {
  int row = 0;
  for (const char* bits : rows) {
    for (int col = 0; bits[col] != 0; ++col)
      if (bits[col] == '#') p.Pixels(x + col, y + row, 1, 1, color);
    ++row;
  }
}

// One arrow in the top-left corner of a 16 by 8 cell. The panel shows the
// buttons 10 pixels square with the image 2 pixels in, partly outside the
// panel's edge, so the shape keeps to the first 5 columns.
void Arrow(CArtPainter& p, int cell, bool up, const QColor& color) {
  if (up)
    Rows(p, 16 * cell, 1, {"..#..", ".###.", "#####"}, color);
  else
    Rows(p, 16 * cell, 2, {"#####", ".###.", "..#.."}, color);
}

// A 16 by 10 thumb at x: a rounded bar with three grip lines.
void Thumb(CArtPainter& p, int x, const QColor& fill, const QColor& edge, const QColor& grip) {
  p.Pixels(x + 1, 1, 14, 8, fill);
  p.Pixels(x + 1, 0, 14, 1, edge);
  p.Pixels(x + 1, 9, 14, 1, edge);
  p.Pixels(x, 1, 1, 8, edge);
  p.Pixels(x + 15, 1, 1, 8, edge);
  for (int gx : {5, 7, 9}) p.Pixels(x + gx + 1, 3, 1, 4, grip);
}

}  // namespace

QImage ScrollArrows() {
  QImage strip = Canvas(96, 8);
  {
    CArtPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    Arrow(p, 0, true, kSlate);
    Arrow(p, 1, true, kBlue);
    Arrow(p, 3, false, kSlate);
    Arrow(p, 4, false, kBlue);
  }
  QImage image = strip.convertToFormat(QImage::Format_ARGB32);
  // The disabled looks, as the toolbars' are made.
  const QImage disabled = Disabled(image);
  for (int cell : {2, 5})
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 16; ++x)
        image.setPixel(16 * cell + x, y, disabled.pixel(16 * (cell - 2) + x, y));
  return image;
}

QImage SliderThumbs() {
  QImage strip = Canvas(32, 10);
  {
    CArtPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing, false);
    Thumb(p, 0, kBlue, kBlueDark, kBlueLight);
    Thumb(p, 16, kPaperShade, kSlateSoft, kSlateSoft);
  }
  return strip.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace art
