#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program's main job headless:
# lists the bundled engine and its voices, then speaks a sample text into a
# 16 kHz PCM file and shows what sox reads in it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
BIN=${BUILD_DIR:-build}/bin
"$BIN/vudeze-cli" engines
"$BIN/vudeze-cli" voices
"$BIN/vudeze-cli" export --format 4 -o "${BUILD_DIR:-build}/welcome.wav" samples/welcome.txt
soxi "${BUILD_DIR:-build}/welcome.wav"
