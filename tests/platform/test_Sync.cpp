// The auto-reset event, the bounded semaphore and the ordered wait for
// either, as the pipeline's worker uses them.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/Sync.h"

namespace {

TEST(Sync, SemaphoreReleaseFailsAtItsMaximum) {
  CBoundedSemaphore sem(0, 4);
  int released = 0;
  while (sem.Release()) ++released;
  EXPECT_EQ(released, 4);
  EXPECT_EQ(sem.Count(), 4);  // the failed release changed nothing
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(sem.TryAcquire());
  EXPECT_FALSE(sem.TryAcquire());
  EXPECT_EQ(CBoundedSemaphore(9, 4).Count(), 4);  // an initial count is bounded too
}

TEST(Sync, EventResetsOnTheWaitThatTakesIt) {
  CAutoResetEvent ev;
  EXPECT_FALSE(ev.TryWait());
  ev.Set();
  ev.Set();  // two sets before a wait are one signal
  EXPECT_TRUE(ev.TryWait());
  EXPECT_FALSE(ev.TryWait());
  ev.Set();
  ev.Reset();
  EXPECT_FALSE(ev.TryWait());
}

TEST(Sync, WaitTakesTheFirstSignalledObjectInListOrder) {
  CAutoResetEvent command;
  CBoundedSemaphore blocks(2, 4);
  command.Set();
  // The command comes first although blocks are free, and only it is taken.
  EXPECT_EQ(WaitForAny({&command, &blocks}), 0);
  EXPECT_EQ(blocks.Count(), 2);
  EXPECT_EQ(WaitForAny({&command, &blocks}), 1);
  EXPECT_EQ(blocks.Count(), 1);
  // A null entry is skipped (the worker leaves the blocks out while paused).
  command.Set();
  EXPECT_EQ(WaitForAny({&command, nullptr}), 0);
  EXPECT_EQ(WaitForAny({nullptr, nullptr}), -1);
}

TEST(Sync, BlockedWaitWakesForEitherObjectFromOtherThreads) {
  for (int which = 0; which < 2; ++which) {
    CAutoResetEvent command;
    CBoundedSemaphore blocks(0, 4);
    std::atomic<int> result{-2};
    std::thread waiter([&] { result = WaitForAny({&command, &blocks}); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // let it block
    if (which == 0)
      command.Set();
    else
      blocks.Release();
    waiter.join();
    EXPECT_EQ(result.load(), which);
    // Consumed by the wait, not left behind for the next one.
    EXPECT_FALSE(command.TryWait());
    EXPECT_EQ(blocks.Count(), 0);
  }
}

// Producers release, consumers wait on the semaphore and an event at once:
// every release and every set is consumed exactly once, none is lost.
TEST(Sync, NoSignalIsLostOrTakenTwiceUnderContention) {
  constexpr int kReleases = 20000;
  CBoundedSemaphore sem(0, 4);
  CAutoResetEvent quit;
  std::atomic<int> taken{0};
  std::vector<std::thread> consumers;
  for (int i = 0; i < 3; ++i)
    consumers.emplace_back([&] {
      for (;;) {
        if (WaitForAny({&quit, &sem}) == 0) {
          quit.Set();  // pass the quit on to the next consumer
          return;
        }
        ++taken;
      }
    });
  std::thread producer([&] {
    for (int i = 0; i < kReleases;) {
      if (sem.Release())
        ++i;
      else
        std::this_thread::yield();
    }
  });
  producer.join();
  while (sem.Count() != 0) std::this_thread::yield();
  quit.Set();
  for (auto& t : consumers) t.join();
  EXPECT_EQ(taken.load(), kReleases);
}

}  // namespace
