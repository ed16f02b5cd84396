// The program's artwork, drawn with vector shapes: one palette, a few
// drawing helpers, and the functions that paint each picture. The artwork
// tool (Artwork.cpp) calls them and writes the pictures as PNG files.
//
// Small images are drawn on a 16 by 16 grid: a 1-pixel stroke lies on a
// half-pixel line (x + 0.5) and fills cover whole pixels, so that edges stay
// sharp at 1:1. Everything here is single-threaded and allocates nothing
// that outlives the call.
#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <functional>
#include <vector>

namespace art {

// The palette every picture shares.
namespace ink {
inline const QColor kSlate{0x36, 0x41, 0x4d};      // outlines, letters
inline const QColor kSlateSoft{0x6b, 0x77, 0x85};  // page outlines, grey parts
inline const QColor kPaper{0xff, 0xff, 0xff};
inline const QColor kPaperShade{0xdc, 0xe3, 0xeb};  // folded corners, text lines
inline const QColor kBlue{0x2a, 0x78, 0xd6};
inline const QColor kBlueDark{0x1c, 0x58, 0xa8};
inline const QColor kBlueLight{0xd3, 0xe5, 0xfa};
inline const QColor kTeal{0x1f, 0xa8, 0xb8};
inline const QColor kGreen{0x2c, 0xa6, 0x4c};
inline const QColor kGreenDark{0x1b, 0x7a, 0x35};
inline const QColor kRed{0xdc, 0x43, 0x3a};
inline const QColor kRedDark{0xa5, 0x2c, 0x25};
inline const QColor kAmber{0xf4, 0xaa, 0x1c};
inline const QColor kAmberDark{0xb8, 0x78, 0x06};
inline const QColor kFolder{0xf6, 0xc4, 0x4a};
inline const QColor kFolderBack{0xe0, 0x9c, 0x1e};
inline const QColor kFolderEdge{0xa8, 0x6e, 0x0c};
}  // namespace ink

// A transparent canvas of the given size (premultiplied ARGB).
QImage Canvas(int width, int height);

// A painter with antialiasing on, for a canvas.
class CArtPainter : public QPainter {
 public:
  explicit CArtPainter(QImage* image);
  // Fills whole pixels x..x+w-1, y..y+h-1.
  void Pixels(int x, int y, int w, int h, const QColor& color);
  // A 1-pixel outline around the pixels x..x+w-1, y..y+h-1 (inside them).
  void Outline(int x, int y, int w, int h, const QColor& color);
  // A path filled with one colour and stroked with another (1 pixel wide).
  void Shape(const QPainterPath& path, const QColor& fill, const QColor& edge);
  // A line or polyline with round caps and joins.
  void Stroke(const std::vector<QPointF>& points, const QColor& color, double width);
};

// One 16 by 16 image: a function that paints it on a fresh canvas.
using Glyph = std::function<void(CArtPainter&)>;

// The main toolbar's images, in button order (New ... About), and the
// format bar's (font name, font size, text encoding).
std::vector<Glyph> ToolbarGlyphs();
std::vector<Glyph> FormatBarGlyphs();
// The information table's state icons: success, failure, warning.
std::vector<Glyph> StateGlyphs();
// The status bar's text-encoding icon (the format bar's encoding image).
void PaintEncodingGlyph(CArtPainter& p);

// Paints glyphs side by side into one strip of 16 by 16 images.
QImage Strip(const std::vector<Glyph>& glyphs);
// The look of a toolbar image under the mouse: a little brighter and more
// vivid, same shapes.
QImage Highlighted(const QImage& normal);
// The look of a disabled toolbar image: grey, flat and lighter.
QImage Disabled(const QImage& normal);
// Gives fully transparent pixels the colour key (pure blue, alpha 0), so that
// a reader that keys on colour instead of alpha sees the same shapes.
QImage WithColourKey(const QImage& image, const QColor& key);

// The program's emblem (a speech bubble holding a sound wave on a rounded
// blue tile) in the square `box`. The soft tone is lighter, for pictures on
// which dark text may be drawn.
void PaintEmblem(QPainter& p, const QRectF& box, bool soft = false);
// The product name "VUDEZE" drawn as geometric letters filling `box`
// (letter height = box height), with the given brush.
void PaintWordmark(QPainter& p, const QRectF& box, const QBrush& brush);
// The width PaintWordmark needs for a given letter height.
double WordmarkWidth(double height);

// The splash picture (423 by 221) and the About box's picture (100 by 260).
QImage SplashPicture();
QImage AboutPicture();
// The program icon in a square of the given side (48 or 16).
QImage ProgramIcon(int side);

// The control panel's scroll arrows: six 16 by 8 images, "Move upper"
// normal, hot, disabled, then "Move lower" normal, hot, disabled.
QImage ScrollArrows();
// The slider thumbs: two 16 by 10 images, active then idle.
QImage SliderThumbs();

}  // namespace art
