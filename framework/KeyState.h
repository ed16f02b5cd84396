// Whether the left Shift key (that key itself, not either Shift) is held.
// Commands such as Shift+F9 or an open with the left Shift held behave
// differently. The state is tracked from the key events the program receives
// (the left Shift's own key code); it is cleared when the program loses the
// keyboard. Threads: the user-interface thread.
#pragma once

// Installs the tracker on the application (once; needs a QApplication).
void TrackLeftShiftKey();
bool IsLeftShiftDown();
