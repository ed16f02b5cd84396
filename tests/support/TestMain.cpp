// The main of every test executable: a private HOME and XDG_CONFIG_HOME (so
// that settings never touch the user's), then a QCoreApplication for queued
// events, then the tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdlib>

int main(int argc, char** argv) {
  QTemporaryDir home;
  if (!home.isValid()) return 2;
  setenv("HOME", home.path().toLocal8Bit().constData(), 1);
  setenv("XDG_CONFIG_HOME", (home.path() + "/.config").toLocal8Bit().constData(), 1);
  unsetenv("SHDLL_MOD_ENV_NAME");
  unsetenv("SHDLL_MOD_ENV_PID");
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
