// The state of the Caps Lock and Num Lock keys, for the status bar's
// indicators. Known on X11 (read from the keyboard's indicator lights);
// elsewhere the state is unknown and both read as off.
// Threads: the user-interface thread (it asks the display server).
#pragma once

struct KeyboardLocks {
  bool known = false;
  bool capsLock = false;
  bool numLock = false;
};

KeyboardLocks QueryKeyboardLocks();
