#include "document/FontSize.h"

#include <QFont>
#include <QLocale>
#include <cmath>

FontSizeEntry ParseFontSize(const QString& text) {
  const QString typed = text.trimmed();
  if (typed.isEmpty()) return {};
  bool ok = false;
  double size = QLocale::c().toDouble(typed, &ok);
  if (!ok) size = QLocale().toDouble(typed, &ok);
  if (!ok || !std::isfinite(size)) return {FontSizeEntry::kInvalid, 0};
  const double points = std::round(size);
  if (points < 1 || points > kMaxFontPoints) return {FontSizeEntry::kInvalid, 0};
  return {FontSizeEntry::kValid, static_cast<int>(points)};
}

int FontPointSize(const QFont& font, int dpi) {
  if (font.pointSizeF() > 0) return static_cast<int>(std::lround(font.pointSizeF()));
  if (font.pixelSize() > 0 && dpi > 0)
    return static_cast<int>(std::lround(font.pixelSize() * 72.0 / dpi));
  return 0;
}
