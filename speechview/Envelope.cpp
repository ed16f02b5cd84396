#include "speechview/Envelope.h"

#include <algorithm>

CEnvelope::CEnvelope(uint32_t firstBinSamples, size_t maxBins)
    : m_firstBin(std::max<uint32_t>(firstBinSamples, 1)),
      m_maxBins(std::max<size_t>(maxBins, 2)),
      m_bin(m_firstBin) {}

void CEnvelope::Clear() {
  m_bin = m_firstBin;
  m_total = 0;
  m_levels.clear();
  m_waiting.clear();
  m_hasWaiting.clear();
  m_acc = SampleRange();
  m_accCount = 0;
}

void CEnvelope::Append(const int16_t* samples, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    m_acc.Add(samples[i]);
    if (++m_accCount == m_bin) {
      const Bin bin{m_acc.lo, m_acc.hi};
      // Before AddBin: dropping a level may put a bin back into the samples
      // after the last whole one.
      m_acc = SampleRange();
      m_accCount = 0;
      AddBin(0, bin);
    }
  }
  m_total += n;
}

void CEnvelope::AddBin(size_t level, Bin bin) {
  for (;;) {
    if (m_levels.size() <= level) {
      m_levels.resize(level + 1);
      m_waiting.resize(level + 2);
      m_hasWaiting.resize(level + 2, false);
    }
    m_levels[level].push_back(bin);
    // Its pair makes a bin of the level above.
    const size_t up = level + 1;
    if (!m_hasWaiting[up]) {
      m_waiting[up] = bin;
      m_hasWaiting[up] = true;
      break;
    }
    const Bin first = m_waiting[up];
    m_hasWaiting[up] = false;
    bin = Bin{std::min(first.lo, bin.lo), std::max(first.hi, bin.hi)};
    level = up;
  }
  if (m_levels[0].size() > m_maxBins) DropFinestLevel();
}

void CEnvelope::DropFinestLevel() {
  if (m_levels.size() < 2) return;
  // The bin waiting for its pair and the samples after it make the partial
  // bin of the new level 0.
  if (m_hasWaiting[1]) {
    SampleRange r;
    r.Add(m_waiting[1].lo);
    r.Add(m_waiting[1].hi);
    r.Add(m_acc);
    m_acc = r;
    m_accCount += m_bin;
  }
  m_levels.erase(m_levels.begin());
  m_waiting.erase(m_waiting.begin());
  m_hasWaiting.erase(m_hasWaiting.begin());
  m_hasWaiting[0] = false;
  m_bin *= 2;
}

SampleRange CEnvelope::Range(uint64_t from, uint64_t to) const {
  to = std::min(to, m_total);
  if (from >= to) return SampleRange();
  // The coarsest level whose bins are no wider than the range.
  int level = 0;
  while (level + 1 < static_cast<int>(m_levels.size()) &&
         (uint64_t(m_bin) << (level + 1)) <= to - from)
    ++level;
  return RangeAt(m_levels.empty() ? -1 : level, from, to);
}

SampleRange CEnvelope::RangeAt(int level, uint64_t from, uint64_t to) const {
  SampleRange r;
  if (level < 0) {
    // The samples after the last whole bin of level 0.
    const uint64_t accStart = m_total - m_accCount;
    if (m_accCount > 0 && to > accStart) r.Add(m_acc);
    return r;
  }
  const uint64_t width = uint64_t(m_bin) << level;
  const std::vector<Bin>& bins = m_levels[static_cast<size_t>(level)];
  const uint64_t covered = bins.size() * width;
  if (from < covered) {
    const uint64_t last = (std::min(to, covered) - 1) / width;
    for (uint64_t b = from / width; b <= last; ++b) {
      r.Add(bins[b].lo);
      r.Add(bins[b].hi);
    }
  }
  // What this level does not cover yet, from the finer levels.
  if (to > covered) r.Add(RangeAt(level - 1, std::max(from, covered), to));
  return r;
}

size_t CEnvelope::MemoryBytes() const {
  size_t bytes = 0;
  for (const auto& level : m_levels) bytes += level.capacity() * sizeof(Bin);
  return bytes;
}
