// artwork: draws the program's pictures and writes them as PNG files into the
// resource folder, where the build picks them up by number.
//
//   artwork RESOURCES_DIR
//
// writes RESOURCES_DIR/bitmaps/N.png and RESOURCES_DIR/icons/N.png:
//   105, 104, 121   main toolbar images: normal, under the mouse, disabled
//   127, 126, 125   format bar images: normal, under the mouse, disabled
//   120             information table states: success, failure, warning
//   109, 116        splash picture, About box picture
//   133             control panel scroll arrows (up and down: normal, hot,
//                   disabled), on pure green for readers that key on colour
//   17015           slider thumbs: active, idle
//   icons/110       status bar text-encoding pane
//   icons/101, 102  program icon, 48 and 16 pixels
// Pictures meant to sit on any background keep an alpha channel. Exit status
// 0 when every file was written, 1 (with the failing path on stderr) when one
// could not be, 2 on a usage error. Drawing uses no fonts, so the files come
// out the same on every machine with the same Qt.
#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "tools/artwork/ArtKit.h"

namespace {

bool Write(const QString& path, const QImage& image) {
  if (image.isNull() || !image.save(path, "PNG")) {
    std::fprintf(stderr, "artwork: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s %dx%d\n", qPrintable(QDir::current().relativeFilePath(path)), image.width(),
              image.height());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // The drawing needs no screen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: artwork RESOURCES_DIR\n");
    return 2;
  }
  const QDir root(args[1]);
  const QString bitmaps = root.filePath(QStringLiteral("bitmaps"));
  const QString icons = root.filePath(QStringLiteral("icons"));
  for (const QString& dir : {bitmaps, icons}) {
    if (!QDir().mkpath(dir)) {
      std::fprintf(stderr, "artwork: cannot create %s\n", qPrintable(dir));
      return 1;
    }
  }
  auto bitmap = [&](int id) { return bitmaps + QStringLiteral("/%1.png").arg(id); };
  auto icon = [&](int id) { return icons + QStringLiteral("/%1.png").arg(id); };

  const QImage toolbar = art::Strip(art::ToolbarGlyphs());
  const QImage formatBar = art::Strip(art::FormatBarGlyphs());
  QImage encoding = art::Canvas(16, 16);
  {
    art::CArtPainter p(&encoding);
    art::PaintEncodingGlyph(p);
  }
  // The state icons also carry pure blue in their transparent pixels: the
  // colour the table's image list treats as transparent.
  const QImage states = art::WithColourKey(art::Strip(art::StateGlyphs()), QColor(0, 0, 255));

  bool ok = true;
  ok &= Write(bitmap(105), toolbar);
  ok &= Write(bitmap(104), art::Highlighted(toolbar));
  ok &= Write(bitmap(121), art::Disabled(toolbar));
  ok &= Write(bitmap(127), formatBar);
  ok &= Write(bitmap(126), art::Highlighted(formatBar));
  ok &= Write(bitmap(125), art::Disabled(formatBar));
  ok &= Write(bitmap(120), states);
  ok &= Write(bitmap(109), art::SplashPicture());
  ok &= Write(bitmap(116), art::AboutPicture());
  ok &= Write(bitmap(133), art::WithColourKey(art::ScrollArrows(), QColor(0, 255, 0)));
  ok &= Write(bitmap(17015), art::SliderThumbs());
  ok &= Write(icon(110), encoding.convertToFormat(QImage::Format_ARGB32));
  ok &= Write(icon(101), art::ProgramIcon(48));
  ok &= Write(icon(102), art::ProgramIcon(16));
  return ok ? 0 : 1;
}
