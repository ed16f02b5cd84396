// The min/max envelope of a whole synthesis, as a pyramid: level 0 holds the
// smallest and largest sample of every bin of BinSamples() samples, each
// level above halves the bins. A pixel column of any width is answered from
// the level whose bins are just narrower than it, so drawing the waveform of
// an hour costs the same as drawing that of a second.
//
// Memory stays bounded however long the synthesis: when level 0 would grow
// past the limit of bins, it is dropped and the level above becomes level 0
// (the bins double, the finest detail of the oldest audio is lost; the
// samples of recent audio are kept elsewhere for close views). The pyramid
// then takes at most about twice the limit's bins, 4 bytes each.
//
// Not thread-safe: its owner (CSpeechRecording) guards it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SampleRange {
  int16_t lo = 0;
  int16_t hi = 0;
  bool empty = true;  // no sample lay in the range asked for

  void Add(int16_t s) {
    if (empty) {
      lo = hi = s;
      empty = false;
    } else {
      lo = s < lo ? s : lo;
      hi = s > hi ? s : hi;
    }
  }
  void Add(const SampleRange& r) {
    if (r.empty) return;
    Add(r.lo);
    Add(r.hi);
  }
};

class CEnvelope {
 public:
  // firstBinSamples must be a power of two; maxBins at least 2.
  explicit CEnvelope(uint32_t firstBinSamples = 64, size_t maxBins = size_t(1) << 21);

  void Clear();
  void Append(const int16_t* samples, size_t n);

  uint64_t Samples() const { return m_total; }
  uint32_t BinSamples() const { return m_bin; }
  // The smallest and largest sample of [from, to), at the resolution of the
  // bins: a bin that overlaps the range counts whole.
  SampleRange Range(uint64_t from, uint64_t to) const;
  size_t MemoryBytes() const;

 private:
  struct Bin {
    int16_t lo, hi;
  };
  void AddBin(size_t level, Bin bin);
  void DropFinestLevel();
  SampleRange RangeAt(int level, uint64_t from, uint64_t to) const;

  uint32_t m_firstBin;
  size_t m_maxBins;
  uint32_t m_bin;  // samples in a bin of level 0
  uint64_t m_total = 0;
  std::vector<std::vector<Bin>> m_levels;
  // A finished bin of level k - 1 waiting for its pair, for level k (index k).
  std::vector<Bin> m_waiting;
  std::vector<bool> m_hasWaiting;
  SampleRange m_acc;  // the samples after the last whole bin of level 0
  uint32_t m_accCount = 0;
};
