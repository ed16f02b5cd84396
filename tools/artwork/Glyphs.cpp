// The 16 by 16 images of the toolbars, the information table and the status
// bar. Coordinates are pixels of the 16 by 16 cell; ".5" puts a 1-pixel
// stroke on a pixel's centre line.
#include <QPainterPath>
#include <cmath>
#include <initializer_list>

#include "tools/artwork/ArtKit.h"

namespace art {
namespace {

using namespace ink;

// A sheet of paper over pixels x0..x1, y0..y1 with a folded top-right corner
// of `fold` pixels (0: none).
void Page(CArtPainter& p, int x0, int y0, int x1, int y1, int fold, const QColor& edge) {
  const double l = x0 + 0.5, t = y0 + 0.5, r = x1 + 0.5, b = y1 + 0.5;
  QPainterPath page;
  page.moveTo(l, t);
  page.lineTo(r - fold, t);
  page.lineTo(r, t + fold);
  page.lineTo(r, b);
  page.lineTo(l, b);
  page.closeSubpath();
  p.Shape(page, kPaper, edge);
  if (fold > 0) {
    QPainterPath corner;
    corner.moveTo(r - fold, t);
    corner.lineTo(r - fold, t + fold);
    corner.lineTo(r, t + fold);
    corner.closeSubpath();
    p.Shape(corner, kPaperShade, edge);
  }
}

// Text lines on a page: one pixel high rows from x0, each `step` apart.
void TextLines(CArtPainter& p, int x0, int y0, const std::vector<int>& widths, int step,
               const QColor& color) {
  for (size_t i = 0; i < widths.size(); ++i)
    p.Pixels(x0, y0 + static_cast<int>(i) * step, widths[i], 1, color);
}

// A capital A standing on `bottom`, apex at `top`, legs `left`..`right`,
// strokes about `weight` wide; the crossbar takes whole pixel rows.
void LetterA(CArtPainter& p, double left, double top, double right, double bottom,
             const QColor& color, double weight) {
  const double cx = (left + right) / 2;
  QPainterPath outer;
  outer.moveTo(left, bottom);
  outer.lineTo(cx - weight / 2, top);
  outer.lineTo(cx + weight / 2, top);
  outer.lineTo(right, bottom);
  outer.closeSubpath();
  QPainterPath between;  // the space between the legs
  between.moveTo(left + weight * 1.15, bottom + 1);
  between.lineTo(cx, top + weight * 1.9);
  between.lineTo(right - weight * 1.15, bottom + 1);
  between.closeSubpath();
  const int barY = static_cast<int>(std::lround(top + (bottom - top) * 0.6));
  QPainterPath bar;
  bar.addRect(QRectF(left, barY, right - left, weight >= 2 ? 2 : 1));
  p.Shape(outer.subtracted(between.subtracted(bar)), color, QColor());
}

// Pixel art: '#' rows drawn at x, y.
void Bits(CArtPainter& p, int x, int y, std::initializer_list<const char*> rows,
          const QColor& color) {
  int row = 0;
  for (const char* bits : rows) {
    for (int col = 0; bits[col] != 0; ++col)
      if (bits[col] == '#') p.Pixels(x + col, y + row, 1, 1, color);
    ++row;
  }
}

// Small bold letters, 6 pixels wide and 7 (A) or 6 (a) high.
void SmallA(CArtPainter& p, int x, int y, const QColor& color) {
  Bits(p, x, y, {"..##..", ".####.", ".#..#.", "##..##", "######", "##..##", "##..##"}, color);
}

void SmallLowerA(CArtPainter& p, int x, int y, const QColor& color) {
  Bits(p, x, y, {".####.", "....##", ".#####", "##..##", "##..##", ".#####"}, color);
}

// The character for "text", 7 by 7 pixels at x, y.
void LetterWen(CArtPainter& p, int x, int y, const QColor& color) {
  Bits(p, x, y, {"...#...", "#######", ".#...#.", "..#.#..", "...#...", ".##.##.", "#.....#"},
       color);
}

// A filled arrow head pointing in direction (dx, dy) with its tip at tip.
void ArrowHead(CArtPainter& p, QPointF tip, QPointF dir, double length, double halfWidth,
               const QColor& color) {
  const double n = std::hypot(dir.x(), dir.y());
  const QPointF d(dir.x() / n, dir.y() / n);
  const QPointF side(-d.y(), d.x());
  const QPointF base = tip - d * length;
  QPainterPath head;
  head.moveTo(tip);
  head.lineTo(base + side * halfWidth);
  head.lineTo(base - side * halfWidth);
  head.closeSubpath();
  p.Shape(head, color, QColor());
}

void New(CArtPainter& p) {
  Page(p, 3, 1, 12, 14, 4, kSlateSoft);
  // A spark at the corner says "new".
  p.Pixels(1, 2, 3, 1, kAmber);
  p.Pixels(2, 1, 1, 3, kAmber);
}

void Open(CArtPainter& p) {
  QPainterPath back;
  back.moveTo(1.5, 2.5);
  back.lineTo(5.5, 2.5);
  back.lineTo(7.5, 4.5);
  back.lineTo(13.5, 4.5);
  back.lineTo(13.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  p.Shape(back, kFolderBack, kFolderEdge);
  p.Pixels(3, 6, 9, 5, kPaper);
  p.Outline(3, 6, 9, 5, kPaperShade);
  QPainterPath front;
  front.moveTo(3.5, 8.5);
  front.lineTo(15.5, 8.5);
  front.lineTo(13.5, 13.5);
  front.lineTo(1.5, 13.5);
  front.closeSubpath();
  p.Shape(front, kFolder, kFolderEdge);
}

void Save(CArtPainter& p) {
  QPainterPath body;
  body.moveTo(1.5, 1.5);
  body.lineTo(12.5, 1.5);
  body.lineTo(14.5, 3.5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.Shape(body, kBlue, kBlueDark);
  p.Pixels(4, 2, 7, 4, kBlueLight);  // shutter
  p.Pixels(8, 3, 2, 2, kBlueDark);
  p.Pixels(4, 9, 8, 5, kPaper);  // label
  p.Pixels(5, 10, 6, 1, kPaperShade);
  p.Pixels(5, 12, 6, 1, kPaperShade);
}

void Cut(CArtPainter& p) {
  // Two blades, two pixels wide, crossing at the pivot; a ring handle on each.
  for (int y = 1; y <= 9; ++y) {
    const int k = 9 - y;
    p.Pixels(4 + k, y, 2, 1, kSlateSoft);
    p.Pixels(10 - k, y, 2, 1, kSlateSoft);
  }
  p.Pixels(7, 5, 2, 2, kSlate);
  static const char* const kRing[] = {".####.", "##..##", "#....#", "#....#", "##..##", ".####."};
  for (int row = 0; row < 6; ++row)
    for (int col = 0; col < 6; ++col)
      if (kRing[row][col] == '#') {
        p.Pixels(1 + col, 10 + row, 1, 1, kRed);
        p.Pixels(9 + col, 10 + row, 1, 1, kRed);
      }
}

void Copy(CArtPainter& p) {
  Page(p, 1, 1, 9, 11, 0, kSlateSoft);
  TextLines(p, 3, 3, {5, 4}, 2, kPaperShade);
  Page(p, 5, 4, 14, 14, 3, kSlate);
  TextLines(p, 7, 8, {6, 5, 6}, 2, kBlue);
}

void Paste(CArtPainter& p) {
  QPainterPath board;
  board.addRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.5, 1.5);
  p.Shape(board, QColor(0xc8, 0x8a, 0x3c), QColor(0x8e, 0x5c, 0x1e));
  p.Pixels(4, 1, 5, 3, kSlateSoft);  // clip
  p.Pixels(5, 2, 3, 1, kPaperShade);
  Page(p, 6, 6, 14, 15, 3, kSlate);
  TextLines(p, 8, 10, {5, 4}, 2, kBlue);
}

void FullScreen(CArtPainter& p) {
  p.Pixels(3, 4, 10, 8, kBlueLight);
  // Corner marks pointing outwards.
  const QColor c = kBlue;
  p.Pixels(1, 2, 5, 2, c);
  p.Pixels(1, 2, 2, 4, c);
  p.Pixels(10, 2, 5, 2, c);
  p.Pixels(13, 2, 2, 4, c);
  p.Pixels(1, 12, 5, 2, c);
  p.Pixels(1, 10, 2, 4, c);
  p.Pixels(10, 12, 5, 2, c);
  p.Pixels(13, 10, 2, 4, c);
}

void Lens(CArtPainter& p, double cx, double cy, double r) {
  p.save();
  p.setPen(QPen(kSlate, 1.6));
  p.setBrush(kBlueLight);
  p.drawEllipse(QPointF(cx, cy), r, r);
  p.setPen(QPen(kPaper, 1.2, Qt::SolidLine, Qt::RoundCap));
  p.drawArc(QRectF(cx - r + 1.8, cy - r + 1.8, 2 * r - 3.6, 2 * r - 3.6), 100 * 16, 70 * 16);
  p.restore();
}

void Find(CArtPainter& p) {
  Lens(p, 6.5, 6.5, 4.6);
  p.Stroke({{10.2, 10.2}, {13.8, 13.8}}, kSlate, 2.6);
}

void Replace(CArtPainter& p) {
  // The old item, outlined, gives way to the new one, filled; an arrow leads
  // from one to the other.
  p.Pixels(1, 1, 7, 6, kPaper);
  p.Outline(1, 1, 7, 6, kSlateSoft);
  p.Pixels(3, 3, 3, 1, kPaperShade);
  QPainterPath fresh;
  fresh.addRoundedRect(QRectF(5.5, 10.5, 9, 5), 1, 1);
  p.Shape(fresh, kBlue, kBlueDark);
  p.Pixels(8, 12, 4, 1, kPaper);
  p.Pixels(8, 3, 5, 2, kGreen);
  p.Pixels(11, 3, 2, 4, kGreen);
  p.Pixels(9, 7, 6, 1, kGreen);
  p.Pixels(10, 8, 4, 1, kGreen);
  p.Pixels(11, 9, 2, 1, kGreen);
}

void GoToLine(CArtPainter& p) {
  Page(p, 6, 1, 14, 14, 0, kSlateSoft);
  TextLines(p, 8, 3, {5, 4}, 2, kPaperShade);
  p.Pixels(7, 7, 7, 2, kBlue);  // the line jumped to
  TextLines(p, 8, 10, {5, 3}, 2, kPaperShade);
  p.Pixels(0, 7, 4, 2, kGreen);
  ArrowHead(p, {7.0, 8.0}, {1, 0}, 4.0, 3.0, kGreen);
}

void Font(CArtPainter& p) {
  LetterA(p, 1.5, 1.0, 14.5, 12.0, kSlate, 2.4);
  p.Pixels(1, 14, 14, 2, kRed);
}

void Gear(CArtPainter& p) {
  const double cx = 8.0, cy = 8.0;
  const int teeth = 8;
  QPainterPath gear;
  for (int i = 0; i < teeth * 4; ++i) {
    // Each tooth: two points on the outer radius, two on the root.
    const double angle = i * M_PI * 2 / (teeth * 4);
    const double r = (i % 4 == 0 || i % 4 == 1) ? 7.3 : 5.3;
    const QPointF pt(cx + r * std::cos(angle), cy + r * std::sin(angle));
    if (i == 0)
      gear.moveTo(pt);
    else
      gear.lineTo(pt);
  }
  gear.closeSubpath();
  gear.addEllipse(QPointF(cx, cy), 2.2, 2.2);
  gear.setFillRule(Qt::OddEvenFill);
  p.Shape(gear, QColor(0x7a, 0x8a, 0x9c), kSlate);
}

void Play(CArtPainter& p) {
  QPainterPath tri;
  tri.moveTo(3.5, 1.5);
  tri.lineTo(13.5, 8.0);
  tri.lineTo(3.5, 14.5);
  tri.closeSubpath();
  p.Shape(tri, kGreen, kGreenDark);
}

void Export(CArtPainter& p) {
  Page(p, 1, 1, 11, 14, 3, kSlateSoft);
  // A sound wave written on the file.
  const int heights[] = {4, 8, 6, 3};
  for (int i = 0; i < 4; ++i) p.Pixels(3 + 2 * i, 8 - heights[i] / 2, 1, heights[i], kBlue);
  // An arrow coming down into it.
  p.Pixels(12, 5, 2, 5, kGreen);
  ArrowHead(p, {13.0, 15.0}, {0, 1}, 5.0, 3.4, kGreen);
}

void Pause(CArtPainter& p) {
  p.Pixels(3, 2, 4, 12, kAmberDark);
  p.Pixels(4, 3, 2, 10, kAmber);
  p.Pixels(9, 2, 4, 12, kAmberDark);
  p.Pixels(10, 3, 2, 10, kAmber);
}

void Stop(CArtPainter& p) {
  QPainterPath square;
  square.addRoundedRect(QRectF(2.5, 2.5, 11, 11), 1.5, 1.5);
  p.Shape(square, kRed, kRedDark);
}

void About(CArtPainter& p) {
  QPainterPath disc;
  disc.addEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
  p.Shape(disc, kBlue, kBlueDark);
  p.Pixels(7, 3, 2, 2, kPaper);
  p.Pixels(6, 6, 3, 1, kPaper);
  p.Pixels(7, 6, 2, 6, kPaper);
  p.Pixels(6, 11, 4, 1, kPaper);
}

void FontName(CArtPainter& p) {
  LetterA(p, 0.5, 1.0, 10.5, 14.0, kSlate, 2.3);
  SmallLowerA(p, 10, 8, kBlue);
}

void FontSize(CArtPainter& p) {
  LetterA(p, 0.5, 1.0, 10.5, 14.0, kSlate, 2.3);
  SmallA(p, 10, 7, kBlue);
}

// Success: a white tick on a green disc.
void Success(CArtPainter& p) {
  QPainterPath disc;
  disc.addEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
  p.Shape(disc, kGreen, kGreenDark);
  Bits(p, 4, 5,
       {".......##", "......###", "##...###.", "###.###..", ".#####...", "..###....", "...#....."},
       kPaper);
}

// Failure: a white cross on a red disc.
void Failure(CArtPainter& p) {
  QPainterPath disc;
  disc.addEllipse(QPointF(8.0, 8.0), 7.0, 7.0);
  p.Shape(disc, kRed, kRedDark);
  Bits(p, 4, 4,
       {"##....##", "###..###", ".######.", "..####..", "..####..", ".######.", "###..###",
        "##....##"},
       kPaper);
}

// Warning: a dark exclamation mark on an amber triangle.
void Warning(CArtPainter& p) {
  QPainterPath tri;
  tri.moveTo(8.0, 1.0);
  tri.lineTo(15.2, 14.5);
  tri.lineTo(0.8, 14.5);
  tri.closeSubpath();
  p.save();
  p.setPen(QPen(kAmberDark, 1.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(kAmber);
  p.drawPath(tri);
  p.restore();
  const QColor mark(0x3d, 0x2a, 0x00);
  p.Pixels(7, 5, 2, 5, mark);
  p.Pixels(7, 11, 2, 2, mark);
}

}  // namespace

void PaintEncodingGlyph(CArtPainter& p) {
  // Two cards, a letter and a character: text in more than one script.
  p.Pixels(0, 0, 11, 10, kPaper);
  p.Outline(0, 0, 11, 10, kSlateSoft);
  SmallA(p, 2, 1, kSlate);
  QPainterPath tile;
  tile.addRoundedRect(QRectF(7, 7, 9, 9), 1.5, 1.5);
  p.Shape(tile, kBlue, QColor());
  LetterWen(p, 8, 8, kPaper);
}

std::vector<Glyph> ToolbarGlyphs() {
  return {New,      Open, Save, Cut,  Copy,   Paste, FullScreen, Find, Replace,
          GoToLine, Font, Gear, Play, Export, Pause, Stop,       About};
}

std::vector<Glyph> FormatBarGlyphs() {
  return {FontName, FontSize, PaintEncodingGlyph};
}

std::vector<Glyph> StateGlyphs() {
  return {Success, Failure, Warning};
}

}  // namespace art
