// The main of the test executables that drive windows (test_*_gui.cpp): as
// TestMain, but with a QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  unsetenv("SHDLL_MOD_ENV_NAME");
  unsetenv("SHDLL_MOD_ENV_PID");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
