#include "plugins/varentts/PieceSplitter.h"

#include <algorithm>
#include <cstdlib>

namespace varentts {

namespace {

struct Mark {
  size_t sample;
  int32_t first;
  int32_t last;
  bool beyond;  // its event's sample lay past the audio given
};

// The token range that an event's code points came from; false when they
// are all markup and no token lies within a few code points of them.
bool TokensOf(const std::vector<int32_t>& cpToken, const WordEvent& e, int32_t* first,
              int32_t* last) {
  if (cpToken.empty()) return false;
  long n = static_cast<long>(cpToken.size());
  long begin = std::clamp<long>(static_cast<long>(e.position) - 1, 0, n - 1);
  long end = std::clamp<long>(begin + std::max(1, e.length), begin + 1, n);
  *first = -1;
  *last = -1;
  for (long i = begin; i < end; ++i) {
    if (cpToken[i] < 0) continue;
    if (*first < 0) *first = cpToken[i];
    *last = std::max(*last, cpToken[i]);
  }
  if (*first >= 0) return true;
  constexpr long kReach = 8;
  for (long i = end; i < std::min(n, end + kReach); ++i) {
    if (cpToken[i] >= 0) {
      *first = *last = cpToken[i];
      return true;
    }
  }
  for (long i = begin - 1; i >= std::max(0L, begin - kReach); --i) {
    if (cpToken[i] >= 0) {
      *first = *last = cpToken[i];
      return true;
    }
  }
  return false;
}

// The quietest 5 ms window start within [lo, hi), for cutting between
// syllables rather than through one.
size_t QuietestPoint(const int16_t* samples, size_t lo, size_t hi, size_t fallback) {
  constexpr size_t kWindow = 110;
  if (hi <= lo + kWindow) return fallback;
  size_t best = fallback;
  uint64_t bestEnergy = UINT64_MAX;
  for (size_t p = lo; p + kWindow <= hi; p += kWindow / 2) {
    uint64_t energy = 0;
    for (size_t i = p; i < p + kWindow; ++i) energy += static_cast<uint64_t>(std::abs(samples[i]));
    if (energy < bestEnergy) {
      bestEnergy = energy;
      best = p + kWindow / 2;
    }
  }
  return best;
}

}  // namespace

std::vector<AudioSegment> SplitChunkAudio(const std::vector<int32_t>& cpToken, size_t tokenCount,
                                          const std::vector<WordEvent>& events,
                                          const int16_t* samples, size_t sampleCount,
                                          size_t* settled) {
  std::vector<Mark> marks;
  for (const WordEvent& e : events) {
    int32_t first = 0, last = 0;
    if (!TokensOf(cpToken, e, &first, &last)) continue;
    if (!marks.empty() && first <= marks.back().last) {
      marks.back().last = std::max(marks.back().last, last);
      continue;
    }
    size_t sample = std::min(e.sample, sampleCount);
    if (!marks.empty()) sample = std::max(sample, marks.back().sample);
    marks.push_back({sample, first, last, e.sample > sampleCount});
  }
  if (settled) *settled = 0;
  if (marks.empty()) {
    if (tokenCount == 0) return {{0, sampleCount, -1}};
    marks.push_back({0, 0, static_cast<int32_t>(tokenCount) - 1, false});
  }
  marks.front().sample = 0;

  // A word's segments are settled when the next word began within the audio,
  // and every word before it too.
  size_t settledWords = 0;
  while (settledWords + 1 < marks.size() && !marks[settledWords + 1].beyond) ++settledWords;

  std::vector<AudioSegment> out;
  for (size_t k = 0; k < marks.size(); ++k) {
    if (settled && k == settledWords) *settled = out.size();
    size_t begin = marks[k].sample;
    size_t end = k + 1 < marks.size() ? marks[k + 1].sample : sampleCount;
    int32_t count = marks[k].last - marks[k].first + 1;
    size_t at = begin;
    for (int32_t t = 0; t < count; ++t) {
      size_t cut = end;
      if (t + 1 < count) {
        size_t share = (end - begin) / static_cast<size_t>(count);
        size_t target = begin + share * static_cast<size_t>(t + 1);
        size_t lo = std::max(at, target - std::min(target, share / 4));
        size_t hi = std::min(end, target + share / 4);
        cut = std::max(at, QuietestPoint(samples, lo, hi, target));
      }
      out.push_back({at, cut, marks[k].first + t});
      at = cut;
    }
  }
  return out;
}

}  // namespace varentts
