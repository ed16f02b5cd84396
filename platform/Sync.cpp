#include "platform/Sync.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <algorithm>
#include <cerrno>
#include <cstddef>

// One blocked WaitForAny call. Lives on the waiting thread's stack; it is
// linked into each object's list while it waits and unlinked (under each
// object's mutex) before the call returns, so a signalling thread, which
// holds the object's mutex, never touches a waiter that is gone.
struct SyncWaiter {
  std::mutex mutex;
  std::condition_variable cv;
  bool woken = false;
};

void CWaitable::WakeWaitersLocked() {
  for (Link* l = m_waiters; l != nullptr; l = l->next) {
    std::lock_guard<std::mutex> lock(l->waiter->mutex);
    l->waiter->woken = true;
    l->waiter->cv.notify_one();
  }
}

void CAutoResetEvent::Set() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signalled = true;
  WakeWaitersLocked();
}

void CAutoResetEvent::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signalled = false;
}

void CAutoResetEvent::Wait() {
  WaitForAny({this});
}

bool CAutoResetEvent::TryWait() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return TryConsumeLocked();
}

bool CAutoResetEvent::TryConsumeLocked() {
  if (!m_signalled) return false;
  m_signalled = false;
  return true;
}

CBoundedSemaphore::CBoundedSemaphore(int32_t initial, int32_t maximum)
    : m_count(initial < 0 ? 0 : (initial > maximum ? maximum : initial)), m_maximum(maximum) {}

bool CBoundedSemaphore::Release() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_count >= m_maximum) return false;
  ++m_count;
  WakeWaitersLocked();
  return true;
}

void CBoundedSemaphore::Acquire() {
  WaitForAny({this});
}

bool CBoundedSemaphore::TryAcquire() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return TryConsumeLocked();
}

int32_t CBoundedSemaphore::Count() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_count;
}

bool CBoundedSemaphore::TryConsumeLocked() {
  if (m_count <= 0) return false;
  --m_count;
  return true;
}

int WaitForAny(std::initializer_list<CWaitable*> objects) {
  // Enough for every caller in the program; more entries are a programming
  // error and are ignored rather than overflowing the link array.
  constexpr size_t kMaxObjects = 8;
  CWaitable* list[kMaxObjects];
  size_t n = 0;
  for (CWaitable* o : objects)
    if (n < kMaxObjects) list[n++] = o;

  // Fast path: something is already signalled, nothing to register.
  bool any = false;
  for (size_t i = 0; i < n; ++i) {
    if (list[i] == nullptr) continue;
    any = true;
    std::lock_guard<std::mutex> lock(list[i]->m_mutex);
    if (list[i]->TryConsumeLocked()) return static_cast<int>(i);
  }
  if (!any) return -1;

  SyncWaiter waiter;
  CWaitable::Link links[kMaxObjects];
  auto unlink = [&](size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (list[i] == nullptr) continue;
      std::lock_guard<std::mutex> lock(list[i]->m_mutex);
      for (CWaitable::Link** p = &list[i]->m_waiters; *p != nullptr; p = &(*p)->next) {
        if (*p == &links[i]) {
          *p = links[i].next;
          break;
        }
      }
    }
  };

  for (;;) {
    // Test and register each object under its own mutex, in list order: a
    // signal that arrives after an object was tested finds the waiter linked
    // and sets its flag, so no wake-up is lost between the tests and the wait.
    int hit = -1;
    for (size_t i = 0; i < n && hit < 0; ++i) {
      if (list[i] == nullptr) continue;
      std::lock_guard<std::mutex> lock(list[i]->m_mutex);
      if (list[i]->TryConsumeLocked()) {
        hit = static_cast<int>(i);
      } else {
        links[i].waiter = &waiter;
        links[i].next = list[i]->m_waiters;
        list[i]->m_waiters = &links[i];
      }
    }
    if (hit >= 0) {
      unlink(static_cast<size_t>(hit));  // the objects before it were linked
      return hit;
    }
    {
      std::unique_lock<std::mutex> lock(waiter.mutex);
      waiter.cv.wait(lock, [&] { return waiter.woken; });
      waiter.woken = false;
    }
    unlink(n);
    // Test again from the first object, so that list order decides.
  }
}

bool RaiseCurrentThreadPriority() {
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, tid);
  if (nice == -1 && errno != 0) return false;
  return setpriority(PRIO_PROCESS, tid, nice - 1) == 0;
}

bool LowerCurrentThreadPriority() {
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, tid);
  if (nice == -1 && errno != 0) return false;
  return setpriority(PRIO_PROCESS, tid, std::min(nice + 5, 19)) == 0;
}
