#include "framework/KeyState.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>

namespace {

// The key code of the left Shift key in the key events of X11 and Wayland.
constexpr quint32 kLeftShiftKeysym = 0xFFE1;

bool g_leftShift = false;

class CLeftShiftTracker : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(e);
        if (key->key() == Qt::Key_Shift && key->nativeVirtualKey() == kLeftShiftKeysym)
          g_leftShift = e->type() == QEvent::KeyPress;
        else if (!(key->modifiers() & Qt::ShiftModifier))
          g_leftShift = false;  // released while another window had the keyboard
        break;
      }
      case QEvent::ApplicationDeactivate:
        g_leftShift = false;
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, e);
  }
};

}  // namespace

void TrackLeftShiftKey() {
  static CLeftShiftTracker* tracker = nullptr;
  if (tracker != nullptr || QCoreApplication::instance() == nullptr) return;
  tracker = new CLeftShiftTracker(QCoreApplication::instance());
  QCoreApplication::instance()->installEventFilter(tracker);
}

bool IsLeftShiftDown() {
  return g_leftShift;
}
