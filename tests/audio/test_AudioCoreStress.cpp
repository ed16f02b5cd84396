// Random sequences of Play, Pause and Stop against the core, with sources of
// odd read sizes, sinks that complete on the worker or later from a thread of
// their own, and failures injected at every step. Every started play must end
// with exactly one OnStop, the bytes written must be the bytes read in order,
// and no block may be refilled before the sink has consumed it.
//
// VUDEZE_STRESS_ITERATIONS overrides the number of plays (fewer by default in
// sanitizer builds); VUDEZE_STRESS_SEED picks another random sequence.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "audio/AudioCore.h"
#include "platform/Settings.h"
#include "tests/audio/PipelineTestEndpoints.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kDefaultIterations = 3000;
#else
constexpr int kDefaultIterations = 10000;
#endif

int Iterations() {
  if (const char* v = std::getenv("VUDEZE_STRESS_ITERATIONS")) {
    const int n = std::atoi(v);
    if (n > 0) return n;
  }
  return kDefaultIterations;
}

struct Play {
  BlockTracker tracker;
  PatternSource source;
  CollectingSink sink;
  RecordingEventSink events;
};

// Sets up one play's endpoints from the generator.
void Configure(Play& p, std::mt19937& rng) {
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  static const uint32_t kOddSizes[] = {1, 4095, 65535, 65536};
  const uint64_t totals[] = {
      0, 1, 65535, 65536, 4ull * 65536, 4ull * 65536 + 1, rng() % (6ull * 65536)};
  p.source.total = totals[rng() % 7];
  p.source.readSizes.clear();
  const int sizes = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < sizes; ++i)
    p.source.readSizes.push_back(chance(70) ? kOddSizes[rng() % 4] : 1 + rng() % 65536);
  // At most 48 reads per play, whatever the sizes, to keep plays short.
  uint64_t reachable = 0;
  for (size_t i = 0; i < 48; ++i) reachable += p.source.readSizes[i % p.source.readSizes.size()];
  if (p.source.total > reachable) p.source.total = reachable;
  p.source.tracker = &p.tracker;
  p.sink.tracker = &p.tracker;
  p.events.recordEvents = false;

  p.source.failOpen = chance(3) ? 0xA001 : 0;
  p.source.failGetFormat = chance(3) ? 0xA002 : 0;
  p.sink.failSetFormat = chance(3) ? 0xA003 : 0;
  p.sink.failOpen = chance(3) ? 0xA004 : 0;
  if (chance(8)) {
    p.source.failReadAt = 1 + static_cast<int>(rng() % 8);
    p.source.failReadCode = 0xA005;
  }
  if (chance(8)) {
    p.sink.failWriteAt = 1 + static_cast<int>(rng() % 8);
    p.sink.failWriteCode = 112;
  }
  p.sink.async = chance(60);
  p.sink.maxDelayUs = chance(50) ? static_cast<int>(rng() % 300) : 0;
  p.sink.seed = static_cast<unsigned>(rng());
}

TEST(AudioCoreStress, RandomPlaysKeepTheRingAndTheEndsConsistent) {
  WriteProfileString("Trace", "Path", QString());
  CAudioCore core;
  ASSERT_EQ(core.Create(), 1);

  const int iterations = Iterations();
  unsigned seed = 20261209;
  if (const char* v = std::getenv("VUDEZE_STRESS_SEED"))
    seed = static_cast<unsigned>(std::atoll(v));
  std::mt19937 rng(seed);
  std::unique_ptr<Play> previous;
  int started = 0, selfStops = 0, userStops = 0, failedStarts = 0;

  for (int it = 0; it < iterations; ++it) {
    SCOPED_TRACE("iteration " + std::to_string(it));
    auto play = std::make_unique<Play>();
    Configure(*play, rng);
    Play& p = *play;

    const uint32_t started_result = core.Play(&p.source, &p.sink, &p.events);
    const uint32_t startFailure = p.source.failOpen        ? p.source.failOpen
                                  : p.source.failGetFormat ? p.source.failGetFormat
                                  : p.sink.failSetFormat   ? p.sink.failSetFormat
                                                           : p.sink.failOpen;
    if (started_result != startFailure) {
      ADD_FAILURE() << "Play gave " << started_result << ", expected " << startFailure;
      core.Stop();
      break;
    }
    if (started_result != 0) {
      ++failedStarts;
      EXPECT_EQ(p.events.stops.load(), 0);
      EXPECT_EQ(core.m_pInput, nullptr);
      EXPECT_EQ(p.source.reads.load(), 0);
      // The closes come from the worker before Play returned.
      EXPECT_EQ(p.source.closes.load(), 1);
      previous = std::move(play);
      continue;
    }
    ++started;

    bool stopped = false;
    const int ops = static_cast<int>(rng() % 6);
    for (int op = 0; op < ops && !stopped; ++op) {
      switch (rng() % 5) {
        case 0: {
          const int32_t before = core.m_nState.load();
          const uint32_t r = core.Pause();
          if (before == 1) {
            EXPECT_EQ(r, 13u);
          }
          break;
        }
        case 1:
          if (core.m_nState.load() == 3) {
            EXPECT_EQ(core.Play(&p.source, &p.sink, &p.events), 13u);
          }
          break;
        case 2:
          core.Stop();
          stopped = true;
          ++userStops;
          break;
        default:
          std::this_thread::sleep_for(std::chrono::microseconds(rng() % 300));
          break;
      }
    }
    if (!stopped) {
      if (core.m_nState.load() == 3 && rng() % 2 == 0) core.Pause();  // resume
      if (core.m_nState.load() == 3 || rng() % 4 == 0) {
        core.Stop();
        ++userStops;
      } else {
        // Let it run to its own end, as the user-interface thread would,
        // then answer with Stop.
        if (!WaitUntil([&] { return p.events.stops.load() == 1; })) {
          ADD_FAILURE() << "a play never ended; reads " << p.source.reads << " writes "
                        << p.sink.writes;
          core.Stop();
          break;
        }
        ++selfStops;
        core.Stop();
      }
    }
    p.events.detached = true;

    EXPECT_EQ(p.events.stops.load(), 1);
    EXPECT_TRUE(core.IsIdle());
    EXPECT_EQ(p.source.closes.load(), 1);
    EXPECT_EQ(p.sink.closes.load(), 1);
    EXPECT_EQ(p.tracker.violations.load(), 0);
    EXPECT_EQ(p.sink.orderViolations.load(), 0);

    // Every byte written is the next byte of the pattern.
    const std::vector<uint8_t>& out = p.sink.bytes;
    size_t firstBad = out.size();
    for (size_t i = 0; i < out.size(); ++i)
      if (out[i] != PatternByte(i)) {
        firstBad = i;
        break;
      }
    EXPECT_EQ(firstBad, out.size()) << "written bytes differ from the bytes read";

    const bool readFailed = p.source.failReadAt != 0 && p.source.reads >= p.source.failReadAt;
    const bool writeFailed = p.sink.failWriteAt != 0 && p.sink.writes >= p.sink.failWriteAt;
    if (writeFailed) {
      EXPECT_EQ(core.lastResult.load(), 112u);
    } else {
      EXPECT_EQ(out.size(), p.source.position);
      if (readFailed) {
        EXPECT_EQ(core.lastResult.load(), 0xA005u);
      } else if (p.source.position == p.source.total) {
        EXPECT_EQ(core.lastResult.load(), 0u);
      }
    }

    // Nothing may reach the previous play's event sink after its Stop.
    if (previous) {
      EXPECT_EQ(previous->events.lateEvents.load(), 0);
    }
    previous = std::move(play);
    if (HasFailure()) break;
  }
  core.Destroy();  // before the endpoints it may still hold go away
  if (previous) {
    EXPECT_EQ(previous->events.lateEvents.load(), 0);
  }
  std::printf("seed %u, plays %d: started %d (self-stopped %d, stopped %d), failed starts %d\n",
              seed, iterations, started, selfStops, userStops, failedStarts);
}

}  // namespace
