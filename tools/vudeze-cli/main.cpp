#include "sdk/ttsapi.h"
#include "tools/vudeze-cli/Cli.h"

TTS_VERSION_NOTE(vudezecli,
                 "FileVersion\0"
                 "5.0.0.1\0"
                 "ProductName\0"
                 "VUDEZE\0");

int main(int argc, char** argv) {
  return RunCli(argc, argv);
}
