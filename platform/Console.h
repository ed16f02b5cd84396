// The program's terminal output. A desktop program started from a launcher
// has nowhere useful to write; the ini file's "console" switch decides
// whether its diagnostics (and what the engine library prints) reach the
// terminal it was started from. The user-interface thread, at start-up.
#pragma once

// Sends standard output and standard error to /dev/null (the program's own
// and that of every library in it). False when that could not be done.
bool DiscardConsoleOutput();
