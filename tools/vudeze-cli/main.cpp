#include "sdk/ttsapi.h"
#include "tools/vudeze-cli/Cli.h"

TTS_VERSION_NOTE(vudezecli, "FileVersion\0" VUDEZE_FILE_VERSION
                            "\0"
                            "ProductName\0"
                            "VUDEZE\0");

int main(int argc, char** argv) {
  return RunCli(argc, argv);
}
