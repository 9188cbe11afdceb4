#!/usr/bin/env bash
# Runs every test: native unit tests, the sanitizer build, the fuzz targets and the Wine
# end-to-end cases against each Windows build this machine can run (the x64 build always;
# the x86 one where 32-bit code runs, Skipped elsewhere). A run in which no Windows build
# could drive the real window fails (wine.runnable).
# Installs what a fresh machine lacks first. Usage: tools/test.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh
bash tools/build.sh
cd "$root/build/native"
ctest --output-on-failure --timeout 600 "$@"
