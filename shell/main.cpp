#include <QApplication>

#include "sdk/ttsapi.h"
#include "shell/TTSDemoApp.h"

TTS_VERSION_NOTE(vudeze,
                 "FileVersion\0"
                 "5.0.0.1\0"
                 "ProductName\0"
                 "VUDEZE\0");

int main(int argc, char** argv) {
  QApplication qapp(argc, argv);
  CTTSDemoApp app;
  int code = 0;
  if (app.InitInstance()) code = app.Run();
  const int exitCode = app.ExitInstance();
  return code != 0 ? code : exitCode;
}
