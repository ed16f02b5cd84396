// Where the listener is in the audio of a play, for the speech view's cursor.
// The pipeline says when each block of the ring begins to be heard (the same
// "block heard" reports that move the highlighting); between two reports the
// cursor moves on with the clock at the sample rate, but never past the end
// of the block being heard, so it cannot run ahead of the sound.
//
// Thread-safe: the reports come from the thread that reports consumed blocks,
// Position from the user-interface thread; a small lock guards the few
// values, held for a few instructions.
#pragma once

#include <cstdint>
#include <limits>
#include <mutex>

class CPlayCursor {
 public:
  static constexpr uint64_t kNoEnd = std::numeric_limits<uint64_t>::max();

  // The play begins to sound at sample `from` now; rate samples a second.
  void Start(uint64_t from, uint32_t rate, int64_t nowNs);
  // Samples [from, to) begin to be heard now. A block that lies before the
  // cursor's current block (a report of a block heard earlier) is ignored.
  void BlockHeard(uint64_t from, uint64_t to, int64_t nowNs);
  void SetPaused(bool paused, int64_t nowNs);
  // The rate, when the play started before it was known (it then stands
  // still until now).
  void SetRate(uint32_t rate, int64_t nowNs);
  // The play is over: the cursor goes.
  void Stop();

  bool IsActive() const;
  // The sample being heard at nowNs; -1 while no play runs.
  double Position(int64_t nowNs) const;

  static int64_t NowNs();

 private:
  double PositionLocked(int64_t nowNs) const;

  mutable std::mutex m_lock;
  bool m_active = false;
  bool m_paused = false;
  uint32_t m_rate = 0;
  uint64_t m_anchor = 0;  // the sample heard at m_anchorNs
  int64_t m_anchorNs = 0;
  uint64_t m_end = kNoEnd;  // the end of the block being heard
  double m_pausedAt = 0;
};
