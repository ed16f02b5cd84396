// The program's run from start to exit, shared by the executable's main and
// the start-up benchmark.
#pragma once

#include <functional>

// Makes the Qt application and the application object, starts, runs the
// message loop, exits. afterStart, when given, runs once start-up has shown
// the main window (before the message loop); the benchmark ends there.
int RunVudeze(int argc, char** argv, const std::function<void()>& afterStart = {});
