// What the format bar's font-size box holds, read without a window: sizes
// are whole points, as the box lists them and as the bar saves them.
#pragma once

#include <QString>

class QFont;

// The largest size the box takes, in points.
inline constexpr int kMaxFontPoints = 1638;

struct FontSizeEntry {
  enum Kind {
    kEmpty,    // nothing typed: the font keeps its size
    kInvalid,  // not a number, or no size a font can have
    kValid,
  };
  Kind kind = kEmpty;
  int points = 0;  // for kValid: 1 to kMaxFontPoints
};

// Reads a typed size: a number in the C locale or the user's locale, blanks
// around it ignored; a fraction is rounded to the nearest whole point. Zero,
// negative sizes and sizes above kMaxFontPoints are invalid.
FontSizeEntry ParseFontSize(const QString& text);

// A font's size in whole points; a font sized in pixels is converted at the
// given dots per inch. 0 when the font has neither.
int FontPointSize(const QFont& font, int dpi);
