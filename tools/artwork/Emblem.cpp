// The program's emblem, its name drawn as letters, the program icon, and the
// two larger pictures built from them (the splash and the About box's strip).
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

#include "tools/artwork/ArtKit.h"

namespace art {
namespace {

using namespace ink;

// Letter widths and the gap between letters, as parts of the letter height.
constexpr double kWidthV = 0.86, kWidthU = 0.76, kWidthD = 0.80, kWidthE = 0.64, kWidthZ = 0.72,
                 kGap = 0.18, kWeight = 0.2;

const QColor kSkyTop(0xff, 0xff, 0xff);
const QColor kSkyBottom(0xe6, 0xef, 0xfa);
const QColor kFrame(0xa9, 0xbf, 0xd8);

QPainterPath LetterV(double w, double h, double s) {
  QPainterPath v;
  v.moveTo(0, 0);
  v.lineTo(s * 1.15, 0);
  v.lineTo(w / 2, h - s * 1.7);
  v.lineTo(w - s * 1.15, 0);
  v.lineTo(w, 0);
  v.lineTo(w / 2 + s * 0.62, h);
  v.lineTo(w / 2 - s * 0.62, h);
  v.closeSubpath();
  return v;
}

QPainterPath LetterZ(double w, double h, double s) {
  QPainterPath z;
  z.setFillRule(Qt::WindingFill);
  z.addRect(0, 0, w, s);
  z.addRect(0, h - s, w, s);
  QPainterPath diagonal;
  diagonal.moveTo(w - s * 1.35, s);
  diagonal.lineTo(w, s);
  diagonal.lineTo(s * 1.35, h - s);
  diagonal.lineTo(0, h - s);
  diagonal.closeSubpath();
  return z.united(diagonal);
}

QPainterPath LetterE(double w, double h, double s) {
  QPainterPath e;
  e.setFillRule(Qt::WindingFill);
  e.addRect(0, 0, s, h);
  e.addRect(0, 0, w, s);
  e.addRect(0, (h - s) / 2, w * 0.84, s);
  e.addRect(0, h - s, w, s);
  return e.simplified();
}

// U and D are strokes of weight s along a centre line.
QPainterPath Outline(const QPainterPath& centre, double s, Qt::PenCapStyle cap) {
  QPainterPathStroker stroker;
  stroker.setWidth(s);
  stroker.setCapStyle(cap);
  stroker.setJoinStyle(Qt::MiterJoin);
  return stroker.createStroke(centre).simplified();
}

QPainterPath LetterU(double w, double h, double s) {
  const double i = s / 2, r = (w - s) / 2;
  QPainterPath u;
  u.moveTo(i, 0);
  u.lineTo(i, h - i - r);
  u.arcTo(QRectF(i, h - i - 2 * r, 2 * r, 2 * r), 180, 180);
  u.lineTo(w - i, 0);
  return Outline(u, s, Qt::FlatCap);
}

QPainterPath LetterD(double w, double h, double s) {
  const double i = s / 2, r = (h - s) / 2;
  QPainterPath d;
  d.moveTo(i, i);
  d.lineTo(w - i - r, i);
  d.arcTo(QRectF(w - i - 2 * r, i, 2 * r, 2 * r), 90, -180);
  d.lineTo(i, h - i);
  d.closeSubpath();
  return Outline(d, s, Qt::SquareCap);
}

// A soft, speech-like wave: a sine under an envelope that swells and fades.
QPainterPath SpeechWave(double x0, double x1, double y, double amplitude, double cycles,
                        double phase) {
  QPainterPath wave;
  const int steps = static_cast<int>((x1 - x0) * 2);
  for (int k = 0; k <= steps; ++k) {
    const double t = static_cast<double>(k) / steps;
    const double envelope = std::pow(std::sin(M_PI * t), 1.5) * (0.65 + 0.35 * std::sin(7 * t));
    const double pt = y + amplitude * envelope * std::sin(2 * M_PI * cycles * t + phase);
    if (k == 0)
      wave.moveTo(x0, pt);
    else
      wave.lineTo(x0 + (x1 - x0) * t, pt);
  }
  return wave;
}

// Background shared by the two pictures: a light sky, and an accent band
// across the top.
void Backdrop(QPainter& p, int width, int height) {
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, kSkyTop);
  sky.setColorAt(1, kSkyBottom);
  p.fillRect(QRect(0, 0, width, height), sky);
  QLinearGradient band(0, 0, width, 0);
  band.setColorAt(0, kBlueDark);
  band.setColorAt(0.55, kBlue);
  band.setColorAt(1, kTeal);
  p.fillRect(QRect(0, 0, width, 4), band);
}

// Flowing lines, strongest at `strong` and fading towards `faint`.
void Ribbons(QPainter& p, double x0, double x1, double y, double amplitude, QPointF strong,
             QPointF faint, double strength) {
  const QColor colours[] = {kBlue, kTeal, kBlueDark, kTeal};
  for (int k = 0; k < 4; ++k) {
    QColor a = colours[k];
    QColor b = colours[k];
    a.setAlphaF(strength * (1.0 - 0.18 * k));
    b.setAlphaF(0.0);
    QLinearGradient fade(strong, faint);
    fade.setColorAt(0, a);
    fade.setColorAt(1, b);
    p.setPen(QPen(QBrush(fade), k == 0 ? 1.6 : 1.1));
    p.setBrush(Qt::NoBrush);
    p.drawPath(
        SpeechWave(x0, x1, y + k * 3.0, amplitude * (1.0 - 0.17 * k), 2.2 + 0.35 * k, 0.9 * k));
  }
}

}  // namespace

double WordmarkWidth(double height) {
  return height * (kWidthV + kWidthU + kWidthD + kWidthE + kWidthZ + kWidthE + 5 * kGap);
}

void PaintWordmark(QPainter& p, const QRectF& box, const QBrush& brush) {
  const double h = box.height(), s = h * kWeight;
  QPainterPath word;
  word.setFillRule(Qt::WindingFill);
  double x = box.left();
  auto place = [&](const QPainterPath& letter, double width) {
    word.addPath(letter.translated(x, box.top()));
    x += (width + kGap) * h;
  };
  place(LetterV(kWidthV * h, h, s), kWidthV);
  place(LetterU(kWidthU * h, h, s), kWidthU);
  place(LetterD(kWidthD * h, h, s), kWidthD);
  place(LetterE(kWidthE * h, h, s), kWidthE);
  place(LetterZ(kWidthZ * h, h, s), kWidthZ);
  place(LetterE(kWidthE * h, h, s), kWidthE);
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(Qt::NoPen);
  p.setBrush(brush);
  p.drawPath(word);
  p.restore();
}

void PaintEmblem(QPainter& p, const QRectF& box, bool soft) {
  const double s = box.width();
  const QPointF o = box.topLeft();
  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.translate(o);
  QLinearGradient tileFill(0, 0, s, s);
  tileFill.setColorAt(0, soft ? QColor(0x6c, 0xad, 0xf2) : QColor(0x4c, 0x9b, 0xf0));
  tileFill.setColorAt(1, soft ? QColor(0x3a, 0x84, 0xdb) : kBlueDark);
  p.setPen(Qt::NoPen);
  p.setBrush(tileFill);
  p.drawRoundedRect(QRectF(s * 0.03, s * 0.03, s * 0.94, s * 0.94), s * 0.21, s * 0.21);

  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(s * 0.16, s * 0.2, s * 0.68, s * 0.48), s * 0.15, s * 0.15);
  QPainterPath tail;
  tail.moveTo(s * 0.27, s * 0.6);
  tail.lineTo(s * 0.46, s * 0.6);
  tail.lineTo(s * 0.22, s * 0.84);
  tail.closeSubpath();
  p.setBrush(kPaper);
  p.drawPath(bubble.united(tail));

  // The voice: five bars of a sound wave.
  const double heights[] = {0.26, 0.6, 0.86, 0.5, 0.3};
  const double barW = s * 0.066, step = s * 0.112, inner = s * 0.48 * 0.72;
  const double cx = s * 0.5, cy = s * 0.44;
  QLinearGradient voice(0, cy - inner / 2, 0, cy + inner / 2);
  voice.setColorAt(0, kTeal);
  voice.setColorAt(1, kBlue);
  p.setBrush(voice);
  for (int k = 0; k < 5; ++k) {
    const double h = inner * heights[k];
    const QRectF bar(cx + (k - 2) * step - barW / 2, cy - h / 2, barW, h);
    p.drawRoundedRect(bar, barW / 2, barW / 2);
  }
  p.restore();
}

QImage ProgramIcon(int side) {
  QImage icon = Canvas(side, side);
  CArtPainter p(&icon);
  if (side > 24) {
    PaintEmblem(p, QRectF(0, 0, side, side));
    return icon.convertToFormat(QImage::Format_ARGB32);
  }
  // At 16 pixels the emblem is redrawn on whole pixels so that it stays crisp.
  QLinearGradient tileFill(0, 0, 16, 16);
  tileFill.setColorAt(0, QColor(0x4c, 0x9b, 0xf0));
  tileFill.setColorAt(1, kBlueDark);
  p.setPen(Qt::NoPen);
  p.setBrush(tileFill);
  p.drawRoundedRect(QRectF(0, 0, 16, 16), 3.5, 3.5);
  QPainterPath bubble;
  bubble.addRoundedRect(QRectF(2, 2, 12, 9), 2.5, 2.5);
  QPainterPath tail;
  tail.moveTo(4, 10);
  tail.lineTo(8, 10);
  tail.lineTo(3, 14);
  tail.closeSubpath();
  p.setBrush(kPaper);
  p.drawPath(bubble.united(tail));
  // Odd heights centred on row 6, the bubble's middle.
  const int heights[] = {3, 5, 7, 5, 3};
  for (int k = 0; k < 5; ++k)
    p.Pixels(4 + 2 * k, 6 - heights[k] / 2, 1, heights[k], k == 2 ? kTeal : kBlue);
  p.end();
  return icon.convertToFormat(QImage::Format_ARGB32);
}

QImage SplashPicture() {
  const int w = 423, h = 221;
  QImage image = Canvas(w, h);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    Backdrop(p, w, h);
    // A faint glow behind the emblem.
    QRadialGradient glow(QPointF(54, 56), 120);
    QColor centre = kBlueLight;
    centre.setAlphaF(0.55);
    QColor edge = kBlueLight;
    edge.setAlphaF(0.0);
    glow.setColorAt(0, centre);
    glow.setColorAt(1, edge);
    p.fillRect(QRect(0, 4, w, h - 4), glow);
    // Ribbons of sound along the bottom, fading out before the text area.
    Ribbons(p, -10, 330, 178, 20, QPointF(10, 0), QPointF(300, 0), 0.45);

    // Dark text may be drawn across the emblem and the name: both keep to
    // light tones so that it stays readable.
    PaintEmblem(p, QRectF(24, 24, 58, 58), true);
    const double letter = 28;
    QLinearGradient name(96, 0, 96 + WordmarkWidth(letter), 0);
    name.setColorAt(0, QColor(0x3c, 0x82, 0xda));
    name.setColorAt(1, QColor(0x4f, 0xa4, 0xe2));
    PaintWordmark(p, QRectF(96, 30, WordmarkWidth(letter), letter), name);
    // A short trace of speech under the name.
    QLinearGradient trace(96, 0, 96 + WordmarkWidth(letter), 0);
    QColor t0 = kTeal, t1 = kTeal;
    t0.setAlphaF(0.9);
    t1.setAlphaF(0.1);
    trace.setColorAt(0, t0);
    trace.setColorAt(1, t1);
    p.setPen(QPen(QBrush(trace), 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(SpeechWave(96, 96 + WordmarkWidth(letter), 74, 6, 9, 0));

    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kFrame);
    p.drawRect(0, 0, w - 1, h - 1);
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

QImage AboutPicture() {
  const int w = 100, h = 260;
  QImage image = Canvas(w, h);
  {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    Backdrop(p, w, h);
    QRadialGradient glow(QPointF(50, 58), 80);
    QColor centre = kBlueLight;
    centre.setAlphaF(0.55);
    QColor edge = kBlueLight;
    edge.setAlphaF(0.0);
    glow.setColorAt(0, centre);
    glow.setColorAt(1, edge);
    p.fillRect(QRect(0, 4, w, h - 4), glow);

    PaintEmblem(p, QRectF(20, 28, 60, 60));
    const double letter = 12;
    const double width = WordmarkWidth(letter);
    const double x = (w - width) / 2;
    QLinearGradient name(x, 0, x + width, 0);
    name.setColorAt(0, kBlueDark);
    name.setColorAt(1, kBlue);
    PaintWordmark(p, QRectF(x, 102, width, letter), name);

    Ribbons(p, -6, w + 6, 212, 16, QPointF(0, 250), QPointF(0, 150), 0.5);
    // A hairline where the picture meets the dialog.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(w - 1, 4, 1, h - 4), QColor(0xcf, 0xdb, 0xe8));
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace art
