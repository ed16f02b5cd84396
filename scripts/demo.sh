#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program's main job headless:
# lists the bundled engine and its voices, then speaks a sample text to a file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BIN=${BUILD_DIR:-build}/bin
"$BIN/vudeze-cli" engines
"$BIN/vudeze-cli" voices
