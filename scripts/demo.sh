#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. On a machine
# without a display it says so and runs the headless demo instead: it lists
# the bundled engine and its voices, speaks a sample text into a 16 kHz PCM
# file and shows what sox reads in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BIN=${BUILD_DIR:-build}/bin
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$BIN/vudeze" "$@"
fi
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running the headless demo instead."
"$BIN/vudeze-cli" engines
"$BIN/vudeze-cli" voices
"$BIN/vudeze-cli" export --format 4 -o "${BUILD_DIR:-build}/welcome.wav" samples/welcome.txt
soxi "${BUILD_DIR:-build}/welcome.wav"
