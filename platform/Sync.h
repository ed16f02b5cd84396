// Synchronisation primitives with the semantics the pipeline relies on: an
// auto-reset event, a counting semaphore with a maximum whose Release fails at
// that maximum, and a wait for the first of several of them in list order.
//
// Every object is safe to use from any thread. Waits never time out; a wait
// consumes what it returns (the event is reset, one count is taken). Objects
// must outlive every wait that names them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <mutex>

struct SyncWaiter;

// Base of the waitable objects: a mutex over the object's state and the list
// of threads blocked in WaitForAny on it. Not for use on its own.
class CWaitable {
 public:
  CWaitable() = default;
  CWaitable(const CWaitable&) = delete;
  CWaitable& operator=(const CWaitable&) = delete;

 protected:
  ~CWaitable() = default;
  // Called with m_mutex held: takes one unit of the object's signal if any.
  virtual bool TryConsumeLocked() = 0;
  // Called with m_mutex held after the object became signalled.
  void WakeWaitersLocked();

  std::mutex m_mutex;

 private:
  friend int WaitForAny(std::initializer_list<CWaitable*> objects);
  struct Link {
    SyncWaiter* waiter;
    Link* next;
  };
  Link* m_waiters = nullptr;  // guarded by m_mutex
};

// Signalled by Set until one wait consumes it; several Sets before a wait
// count as one.
class CAutoResetEvent final : public CWaitable {
 public:
  explicit CAutoResetEvent(bool signalled = false) : m_signalled(signalled) {}
  void Set();
  void Reset();
  // Blocks until signalled, then resets.
  void Wait();
  // Resets and returns true when signalled; never blocks.
  bool TryWait();

 private:
  bool TryConsumeLocked() override;
  bool m_signalled;
};

// A counting semaphore bounded by a maximum. Release adds one count and
// returns false, leaving the count unchanged, when the count is already at
// the maximum, so that "release until a release fails" fills it exactly.
class CBoundedSemaphore final : public CWaitable {
 public:
  CBoundedSemaphore(int32_t initial, int32_t maximum);
  bool Release();
  // Blocks until a count is available, then takes it.
  void Acquire();
  bool TryAcquire();
  int32_t Count();
  int32_t Maximum() const { return m_maximum; }

 private:
  bool TryConsumeLocked() override;
  int32_t m_count;
  const int32_t m_maximum;
};

// Blocks until one of the objects is signalled and consumes it. Objects are
// tested in list order, so an earlier object wins when several are signalled.
// Null entries are skipped. Returns the index of the object consumed, or -1
// when the list holds no object at all (it does not block then).
int WaitForAny(std::initializer_list<CWaitable*> objects);

// Asks for a scheduling priority above normal for the calling thread.
// Ordinary users may not raise it on Linux; false then, and callers go on.
bool RaiseCurrentThreadPriority();
// Lowers the calling thread's priority by five nice levels, for background
// work that should yield to the threads a user waits for. False when the
// system refuses.
bool LowerCurrentThreadPriority();
