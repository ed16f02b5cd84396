#include "shell/AppMain.h"

#include <QApplication>

#include "platform/AppPaths.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "shell/TTSDemoApp.h"

int RunVudeze(int argc, char** argv, const std::function<void()>& afterStart) {
  QApplication qapp(argc, argv);
  // What the program was installed with: the bundled engine.
  SetSettingsDefaults(AppDataDir(GetAppDir()) + QStringLiteral("/vudeze-defaults.conf"));
  CTTSDemoApp app;
  int code = 1;
  if (app.InitInstance()) {
    if (afterStart) afterStart();
    code = app.Run();
  }
  const int exitCode = app.ExitInstance();
  return code != 0 ? code : exitCode;
}
