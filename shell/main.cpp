#include "sdk/ttsapi.h"
#include "shell/AppMain.h"

TTS_VERSION_NOTE(vudeze, "FileVersion\0" VUDEZE_FILE_VERSION
                         "\0"
                         "ProductName\0"
                         "VUDEZE\0");

int main(int argc, char** argv) {
  return RunVudeze(argc, argv);
}
