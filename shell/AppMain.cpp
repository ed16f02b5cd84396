#include "shell/AppMain.h"

#include <QApplication>

#include "platform/AppPaths.h"
#include "platform/Settings.h"
#include "platform/VersionInfo.h"
#include "shell/ProgramInfo.h"
#include "shell/TTSDemoApp.h"

int RunVudeze(int argc, char** argv, const std::function<void()>& afterStart) {
  // --help and --version print and exit before any window (or display) is
  // needed.
  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  if (const ProgramInfoRequest request = FindProgramInfoRequest(args);
      request != ProgramInfoRequest::kNone) {
    QCoreApplication core(argc, argv);
    return PrintProgramInfo(request, args);
  }
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
