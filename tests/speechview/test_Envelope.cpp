// The envelope answers any stretch with the smallest and largest sample the
// bins that overlap it hold: never narrower than the samples themselves, and
// exact at bin boundaries; it stays within its bound of memory by giving up
// the finest level, and still covers everything.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "speechview/Envelope.h"

namespace {

std::vector<int16_t> Noise(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> d(-30000, 30000);
  std::vector<int16_t> s(n);
  for (auto& v : s) v = static_cast<int16_t>(d(rng));
  return s;
}

SampleRange Exact(const std::vector<int16_t>& s, uint64_t from, uint64_t to) {
  SampleRange r;
  for (uint64_t i = from; i < to && i < s.size(); ++i) r.Add(s[i]);
  return r;
}

struct Case {
  size_t samples;
  size_t maxBins;
};
class EnvelopeCases : public ::testing::TestWithParam<Case> {};

TEST_P(EnvelopeCases, RangesHoldTheSamples) {
  const Case c = GetParam();
  const std::vector<int16_t> s = Noise(c.samples, 7);
  CEnvelope env(16, c.maxBins);
  // In uneven pieces, as blocks come.
  for (size_t at = 0, step = 5; at < s.size(); at += step, step = step * 7 % 3001 + 1)
    env.Append(s.data() + at, std::min(step, s.size() - at));
  EXPECT_EQ(env.Samples(), s.size());
  const uint32_t bin = env.BinSamples();
  EXPECT_LE(env.MemoryBytes(), 2 * c.maxBins * 4 + 4096);

  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {
    uint64_t a = rng() % (s.size() + 1), b = rng() % (s.size() + 1);
    if (a > b) std::swap(a, b);
    if (a == b) continue;
    const SampleRange got = env.Range(a, b);
    const SampleRange inner = Exact(s, a, b);
    // The bins that answer are no wider than the stretch (or one bin).
    const uint64_t reach = (b - a) + bin;
    const SampleRange outer = Exact(s, a > reach ? a - reach : 0, b + reach);
    ASSERT_FALSE(got.empty);
    EXPECT_LE(got.lo, inner.lo) << a << ".." << b;
    EXPECT_GE(got.hi, inner.hi) << a << ".." << b;
    EXPECT_GE(got.lo, outer.lo) << a << ".." << b;
    EXPECT_LE(got.hi, outer.hi) << a << ".." << b;
  }
  // One whole bin is answered exactly.
  for (uint64_t a = 0; a + bin <= s.size(); a += bin * 37) {
    const SampleRange got = env.Range(a, a + bin), inner = Exact(s, a, a + bin);
    EXPECT_EQ(got.lo, inner.lo) << a;
    EXPECT_EQ(got.hi, inner.hi) << a;
  }
  EXPECT_TRUE(env.Range(s.size(), s.size() + 10).empty);
}

INSTANTIATE_TEST_SUITE_P(Sizes, EnvelopeCases,
                         ::testing::Values(Case{10, 64}, Case{1000, 64}, Case{100003, 1 << 20},
                                           // Small bounds: the finest levels go.
                                           Case{100003, 64}, Case{1 << 20, 100}));

TEST(Envelope, GivesUpDetailNotCoverage) {
  CEnvelope env(64, 1000);
  const std::vector<int16_t> quiet(64 * 1000, 1);
  for (int i = 0; i < 16; ++i) env.Append(quiet.data(), quiet.size());
  // One loud sample at the very start is still found.
  CEnvelope loud(64, 1000);
  int16_t peak = 32000;
  loud.Append(&peak, 1);
  for (int i = 0; i < 16; ++i) loud.Append(quiet.data(), quiet.size());
  EXPECT_GE(loud.BinSamples(), 64u * 16);
  EXPECT_EQ(loud.Range(0, loud.Samples()).hi, 32000);
  EXPECT_EQ(loud.Range(loud.Samples() - 10, loud.Samples()).hi, 1);
  EXPECT_EQ(env.Range(0, env.Samples()).hi, 1);
}

}  // namespace
