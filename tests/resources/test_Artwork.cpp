// The program's pictures as the windows load them: the toolbar strips hold
// one image per button of their toolbar, the three looks of a strip share
// their shapes, and the splash stays light where its text is drawn.
#include <gtest/gtest.h>

#include <QImage>

#include "framework/ResourceModule.h"
#include "resources/ResourceIds.h"

namespace {

int Luma(QRgb c) {
  return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

struct StripSet {
  uint32_t toolbar, normal, hot, disabled;
};

TEST(Artwork, ToolbarStripsHoldOneImagePerButtonInEveryLook) {
  const CResourceModule* module = CResourceModule::Program();
  for (const StripSet& set :
       {StripSet{IDR_MAINFRAME, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED},
        StripSet{IDR_FORMATBAR, IDB_FORMATBAR_NORMAL, IDB_FORMATBAR_HOT, IDB_FORMATBAR_DISABLED}}) {
    const CToolbarResource* toolbar = module->Toolbar(set.toolbar);
    ASSERT_NE(toolbar, nullptr) << set.toolbar;
    int images = 0;
    for (uint32_t command : toolbar->buttons) images += command != 0 ? 1 : 0;
    const QSize size(images * toolbar->imageWidth, toolbar->imageHeight);

    const QImage normal = module->Bitmap(set.normal).convertToFormat(QImage::Format_ARGB32);
    const QImage hot = module->Bitmap(set.hot).convertToFormat(QImage::Format_ARGB32);
    const QImage disabled = module->Bitmap(set.disabled).convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(normal.size(), size) << set.normal;
    ASSERT_EQ(hot.size(), size) << set.hot;
    ASSERT_EQ(disabled.size(), size) << set.disabled;
    int differing = 0;
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) {
        const QRgb n = normal.pixel(x, y), h = hot.pixel(x, y), d = disabled.pixel(x, y);
        ASSERT_EQ(qAlpha(h), qAlpha(n)) << set.hot << " at " << x << "," << y;
        ASSERT_EQ(qAlpha(d), qAlpha(n)) << set.disabled << " at " << x << "," << y;
        if (qAlpha(n) == 0) continue;
        EXPECT_TRUE(qRed(d) == qGreen(d) && qGreen(d) == qBlue(d)) << set.disabled << " not grey";
        differing += h != n ? 1 : 0;
      }
    }
    EXPECT_GT(differing, 0) << set.hot << " looks like " << set.normal;
    // Every image has something in it, at both ends of the strip.
    for (int i = 0; i < images; ++i) {
      int opaque = 0;
      for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < toolbar->imageWidth; ++x)
          opaque += qAlpha(normal.pixel(i * toolbar->imageWidth + x, y)) == 255 ? 1 : 0;
      EXPECT_GT(opaque, 20) << set.normal << " image " << i;
    }
  }
}

TEST(Artwork, IconsAndPicturesHaveTheirSizes) {
  const CResourceModule* module = CResourceModule::Program();
  EXPECT_EQ(module->Bitmap(IDB_ABOUT).size(), QSize(100, 260));
  EXPECT_EQ(module->Icon(IDI_ENCODING).size(), QSize(16, 16));
  EXPECT_EQ(module->Icon(IDI_PROGRAM).size(), QSize(48, 48));
  EXPECT_EQ(module->Icon(IDI_PROGRAM_SMALL).size(), QSize(16, 16));
  // The state icons sit on the list's own background: their corners are
  // transparent, by alpha and by the pure blue colour key alike.
  const QImage states = module->Bitmap(IDB_INFO_STATES).convertToFormat(QImage::Format_ARGB32);
  ASSERT_EQ(states.size(), QSize(48, 16));
  for (int i = 0; i < 3; ++i) {
    for (QPoint corner : {QPoint(0, 0), QPoint(15, 0), QPoint(0, 15), QPoint(15, 15)}) {
      const QRgb c = states.pixel(corner + QPoint(16 * i, 0));
      EXPECT_EQ(qAlpha(c), 0) << "state " << i;
      EXPECT_EQ(c & 0xffffffu, 0x0000ffu) << "state " << i;
    }
  }
}

TEST(Artwork, SplashStaysLightWhereTextIsDrawn) {
  const QImage splash = CResourceModule::Program()->Bitmap(IDB_SPLASH);
  ASSERT_EQ(splash.size(), QSize(423, 221));
  // A short text starts at (214, 100); dark text needs a light ground there
  // (the one-pixel frame aside).
  int darkest = 255;
  for (int y = 90; y < splash.height() - 1; ++y)
    for (int x = 205; x < splash.width() - 1; ++x)
      darkest = std::min(darkest, Luma(splash.pixel(x, y)));
  EXPECT_GE(darkest, 200);
  // A long text is centred over the whole picture: light on average, and
  // nothing on it as dark as the text.
  long long sum = 0;
  int darkestAnywhere = 255;
  for (int y = 1; y < splash.height() - 1; ++y)
    for (int x = 1; x < splash.width() - 1; ++x) {
      const int luma = Luma(splash.pixel(x, y));
      sum += luma;
      darkestAnywhere = std::min(darkestAnywhere, luma);
    }
  EXPECT_GE(sum / ((splash.width() - 2) * (splash.height() - 2)), 220);
  EXPECT_GE(darkestAnywhere, 60);
}

}  // namespace
