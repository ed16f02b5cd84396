// What the speech view shows: zooming keeps the sample under the pointer in
// place, the view stays within the recording, a play is followed page by
// page, and the time axis ticks at round seconds.
#include <gtest/gtest.h>

#include "speechview/PlayCursor.h"
#include "speechview/SpeechViewport.h"

namespace {

TEST(SpeechViewport, ZoomKeepsTheSampleUnderThePointer) {
  CSpeechViewport v;
  v.Reset(16000, 800);
  v.SetSamples(16000 * 60, true);
  v.ScrollBy(1000);
  for (const double x : {0.0, 123.0, 799.0}) {
    for (const double factor : {0.5, 0.8, 1.25, 2.0}) {
      const double before = v.Range().SampleAt(x);
      v.ZoomAbout(x, factor);
      EXPECT_NEAR(v.Range().SampleAt(x), before, 1e-6) << x << " " << factor;
    }
  }
  EXPECT_TRUE(v.MovedByUser());
}

TEST(SpeechViewport, StaysWithinTheRecording) {
  CSpeechViewport v;
  v.Reset(8000, 400);
  // A new synthesis shows ten seconds while it grows...
  EXPECT_DOUBLE_EQ(v.Range().perPixel, 8000 * 10.0 / 400);
  v.SetSamples(8000 * 3, false);
  EXPECT_DOUBLE_EQ(v.Range().perPixel, 8000 * 10.0 / 400);
  v.ZoomAbout(200, 100);  // no further out than that
  EXPECT_DOUBLE_EQ(v.Range().perPixel, 8000 * 10.0 / 400);
  // ...and, once finished, may fill the width with three.
  v.SetSamples(8000 * 3, true);
  v.Fit();
  EXPECT_DOUBLE_EQ(v.Range().perPixel, 8000 * 3.0 / 400);
  EXPECT_DOUBLE_EQ(v.Range().first, 0);
  v.ZoomAbout(0, 1e-9);
  EXPECT_DOUBLE_EQ(v.Range().perPixel, CSpeechViewport::kMinPerPixel);
  v.ScrollBy(1e9);
  EXPECT_DOUBLE_EQ(v.Range().first, 8000 * 3 - 400 * CSpeechViewport::kMinPerPixel);
  v.ScrollBy(-1e12);
  EXPECT_DOUBLE_EQ(v.Range().first, 0);
}

TEST(SpeechViewport, FollowTurnsAPageAndRevealShowsAWord) {
  CSpeechViewport v;
  v.Reset(1000, 100);  // ten seconds in view: 100 samples a pixel, 10000 in all
  v.SetSamples(100000, false);
  v.Follow(5000);
  EXPECT_DOUBLE_EQ(v.Range().first, 0);
  v.Follow(9500);  // in the last tenth: a new page, the cursor a tenth in
  EXPECT_DOUBLE_EQ(v.Range().first, 8500);
  v.Follow(50000);
  EXPECT_DOUBLE_EQ(v.Range().first, 49000);
  v.Reveal(50000, 51000);  // already in view
  EXPECT_DOUBLE_EQ(v.Range().first, 49000);
  v.Reveal(60000, 61000);  // later: just far enough
  EXPECT_DOUBLE_EQ(v.Range().first, 61000 - 9000);
  v.Reveal(1000, 2000);  // earlier: a tenth in
  EXPECT_DOUBLE_EQ(v.Range().first, 0);
  EXPECT_FALSE(v.MovedByUser());
}

TEST(SpeechViewport, AxisTicksAtRoundSeconds) {
  SpeechViewRange range;
  range.first = 16000 * 1.05;
  range.perPixel = 16000.0 / 100;  // 100 pixels a second
  const std::vector<AxisTick> ticks = AxisTicks(range, 16000, 500, 60);
  ASSERT_FALSE(ticks.empty());
  // 60 pixels at least: steps of a second (0.5 s would be 50 pixels).
  EXPECT_EQ(ticks.front().label, "2");
  EXPECT_NEAR(ticks.front().x, 95, 1e-9);
  EXPECT_EQ(ticks[1].label, "3");
  const std::vector<AxisTick> fine = AxisTicks(range, 16000, 500, 15);
  EXPECT_EQ(fine.front().label, "1.2");  // 0.2 s steps: 20 pixels
  EXPECT_EQ(fine[1].label, "1.4");
}

TEST(PlayCursor, MovesWithTheClockWithinTheBlockHeard) {
  CPlayCursor c;
  EXPECT_EQ(c.Position(0), -1);
  const int64_t s = 1000000000;
  c.Start(0, 8000, 0);
  EXPECT_DOUBLE_EQ(c.Position(s / 2), 4000);
  c.BlockHeard(0, 16000, s);
  EXPECT_DOUBLE_EQ(c.Position(s + s / 4), 2000);
  EXPECT_DOUBLE_EQ(c.Position(10 * s), 16000);  // never past the block
  c.BlockHeard(16000, 20000, 3 * s);
  EXPECT_DOUBLE_EQ(c.Position(3 * s), 16000);
  c.BlockHeard(0, 16000, 4 * s);  // a report of a block heard before
  EXPECT_DOUBLE_EQ(c.Position(3 * s + s / 8), 17000);
  c.SetPaused(true, 3 * s + s / 8);
  EXPECT_DOUBLE_EQ(c.Position(9 * s), 17000);
  c.SetPaused(false, 9 * s);
  EXPECT_DOUBLE_EQ(c.Position(9 * s + s / 8), 18000);
  c.Stop();
  EXPECT_EQ(c.Position(9 * s), -1);
}

TEST(PlayCursor, StandsStillUntilItsRateIsKnown) {
  CPlayCursor c;
  const int64_t s = 1000000000;
  c.Start(0, 0, 0);
  EXPECT_DOUBLE_EQ(c.Position(5 * s), 0);
  c.SetRate(16000, 5 * s);
  EXPECT_DOUBLE_EQ(c.Position(5 * s + s / 2), 8000);
  c.SetRate(8000, 6 * s);  // once known it stays
  EXPECT_DOUBLE_EQ(c.Position(5 * s + s / 2), 8000);
}

}  // namespace
