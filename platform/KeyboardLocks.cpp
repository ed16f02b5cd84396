#include "platform/KeyboardLocks.h"

#include <QGuiApplication>

#if defined(VUDEZE_HAS_X11)
#include <X11/XKBlib.h>
#endif

KeyboardLocks QueryKeyboardLocks() {
  KeyboardLocks locks;
#if defined(VUDEZE_HAS_X11)
  auto* x11 =
      qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 != nullptr ? x11->display() : nullptr;
  unsigned int state = 0;
  if (display != nullptr && XkbGetIndicatorState(display, XkbUseCoreKbd, &state) == Success) {
    // The core keyboard's first two indicators are Caps Lock and Num Lock.
    locks.known = true;
    locks.capsLock = (state & 0x1) != 0;
    locks.numLock = (state & 0x2) != 0;
  }
#endif
  return locks;
}
