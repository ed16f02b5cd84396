#include "speechview/PlayCursor.h"

#include <algorithm>
#include <chrono>

int64_t CPlayCursor::NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void CPlayCursor::Start(uint64_t from, uint32_t rate, int64_t nowNs) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_active = true;
  m_paused = false;
  m_rate = rate;
  m_anchor = from;
  m_anchorNs = nowNs;
  m_end = kNoEnd;
}

void CPlayCursor::BlockHeard(uint64_t from, uint64_t to, int64_t nowNs) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_active || from < m_anchor || to <= from) return;
  m_anchor = from;
  m_anchorNs = nowNs;
  m_end = to;
  if (m_paused) m_pausedAt = double(from);
}

void CPlayCursor::SetPaused(bool paused, int64_t nowNs) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_active || paused == m_paused) return;
  if (paused) {
    m_pausedAt = PositionLocked(nowNs);
  } else {
    // On again from where it stood.
    m_anchor = static_cast<uint64_t>(m_pausedAt);
    m_anchorNs = nowNs;
  }
  m_paused = paused;
}

void CPlayCursor::SetRate(uint32_t rate, int64_t nowNs) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (!m_active || m_rate != 0) return;
  m_rate = rate;
  m_anchorNs = nowNs;
}

void CPlayCursor::Stop() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_active = false;
  m_paused = false;
}

bool CPlayCursor::IsActive() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_active;
}

double CPlayCursor::Position(int64_t nowNs) const {
  std::lock_guard<std::mutex> lock(m_lock);
  return PositionLocked(nowNs);
}

double CPlayCursor::PositionLocked(int64_t nowNs) const {
  if (!m_active) return -1;
  if (m_paused) return m_pausedAt;
  const double elapsed = std::max<int64_t>(nowNs - m_anchorNs, 0) / 1e9;
  const double at = double(m_anchor) + elapsed * m_rate;
  return m_end == kNoEnd ? at : std::min(at, double(m_end));
}
