// Work that crosses to the user-interface thread travels as queued Qt events.
// Qt's event queue locks with primitives that ThreadSanitizer cannot see (the
// distribution's Qt is not built with it), so an event made on one thread and
// handled on another would look like a race. The poster releases on the
// event's address and the handler acquires it before touching the event,
// which tells the sanitizer what the queue's lock already guarantees. In
// other builds both are nothing.
#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <functional>
#include <utility>

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

// Posts event to receiver (which owns it from then on); callable from any thread.
inline void PostQueuedEvent(QObject* receiver, QEvent* event) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(event);
#endif
  QCoreApplication::postEvent(receiver, event);
}

// The first thing a receiver's event() does with an event posted from another thread.
inline void AcceptQueuedEvent(QEvent* event) {
#if defined(__SANITIZE_THREAD__)
  __tsan_acquire(event);
#else
  (void)event;
#endif
}

inline constexpr QEvent::Type kQueuedCallEvent = static_cast<QEvent::Type>(QEvent::User + 400);

// A function to run on the receiver's thread.
class CQueuedCallEvent : public QEvent {
 public:
  explicit CQueuedCallEvent(std::function<void()> call)
      : QEvent(kQueuedCallEvent), m_call(std::move(call)) {}
  void Run() const { m_call(); }

 private:
  std::function<void()> m_call;
};

// Runs posted calls on the thread it lives on, in posting order.
class CQueuedCallReceiver : public QObject {
 public:
  // Callable from any thread; never waits.
  void Post(std::function<void()> call) {
    PostQueuedEvent(this, new CQueuedCallEvent(std::move(call)));
  }

 protected:
  bool event(QEvent* e) override {
    AcceptQueuedEvent(e);
    if (e->type() != kQueuedCallEvent) return QObject::event(e);
    static_cast<CQueuedCallEvent*>(e)->Run();
    return true;
  }
};
