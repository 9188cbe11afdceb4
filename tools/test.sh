#!/usr/bin/env bash
# Runs every test: native unit tests, the sanitizer build and the Wine end-to-end cases.
# Installs what a fresh machine lacks first. Usage: tools/test.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash tools/setup.sh
bash tools/build.sh
cd "$root/build/native"
ctest --output-on-failure --timeout 600 "$@"
