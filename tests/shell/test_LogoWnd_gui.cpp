// The logo window: what it shows of a block as its timer scrolls, and blocks
// arriving from the playback thread while the timer and painting run on the
// user-interface thread (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <QTest>
#include <atomic>
#include <thread>
#include <vector>

#include "shell/LogoWaveform.h"
#include "shell/LogoWnd.h"

namespace {

WAVEFORMATEX Format(uint32_t rate, uint16_t bits) {
  return {WAVE_FORMAT_PCM, 1, rate, rate * bits / 8, uint16_t(bits / 8), bits, 0};
}

TEST(LogoWnd, ShowsABlockFromTheMiddleAndScrollsToItsEnd) {
  CLogoWnd wnd;
  EXPECT_EQ(wnd.objectName(), "LogWnd");
  EXPECT_FALSE(wnd.accessibleName().isEmpty());
  EXPECT_EQ(wnd.size(), QSize(46, 24));

  // A loud block: every column spans the full height.
  std::vector<uint8_t> block(65536);
  for (size_t i = 0; i < block.size(); i += 2) block[i + 1] = (i / 2) % 2 ? 0x80 : 0x7f;
  wnd.SetWaveFormat(Format(16000, 16));
  wnd.AddAudio(block.data(), uint32_t(block.size()));
  EXPECT_EQ(wnd.BitmapWidth(), 46 + 204);
  EXPECT_EQ(wnd.Scroll(), 0);
  QImage shown = wnd.VisiblePart();
  EXPECT_EQ(shown.pixel(22, 2), kLogoBackground);  // the left half is still silent
  EXPECT_EQ(shown.pixel(23, 2), kLogoTrace);
  EXPECT_EQ(shown.pixel(45, 2), kLogoTrace);

  QTRY_COMPARE_WITH_TIMEOUT(wnd.Scroll(), 204, 5000);
  shown = wnd.VisiblePart();
  // The block's last column has reached the middle; silence follows it.
  EXPECT_EQ(shown.pixel(0, 2), kLogoTrace);
  EXPECT_EQ(shown.pixel(22, 2), kLogoTrace);
  EXPECT_EQ(shown.pixel(23, 2), kLogoBackground);

  // A new block starts over from the middle.
  wnd.AddAudio(block.data(), 32000);
  EXPECT_EQ(wnd.Scroll(), 0);
  wnd.ShowEnd();
  EXPECT_EQ(wnd.Scroll(), 100);
}

TEST(LogoWnd, BlocksArriveFromAnotherThreadWhileTheTimerScrolls) {
  CLogoWnd wnd;
  wnd.show();
  wnd.SetWaveFormat(Format(8000, 8));
  std::atomic<bool> stop{false};
  std::thread playback([&] {
    std::vector<uint8_t> block(4000);
    for (int n = 0; !stop.load(); ++n) {
      for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(128 + ((i + n) % 64) - 32);
      wnd.AddAudio(block.data(), uint32_t(block.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
  });
  // The user-interface thread scrolls, paints, resizes and ends meanwhile.
  for (int round = 0; round < 30; ++round) {
    QTest::qWait(12);
    wnd.repaint();
    if (round % 10 == 5) wnd.ShowEnd();
    if (round == 15) wnd.resize(60, 24);
    if (round == 20) wnd.SetWaveFormat(Format(16000, 8));
  }
  stop = true;
  playback.join();
  // The last block was drawn for the new client width and format.
  EXPECT_EQ(wnd.BitmapWidth(), 60 + 4000 / 160);
  EXPECT_EQ(wnd.VisiblePart().size(), QSize(60, 24));
}

}  // namespace
