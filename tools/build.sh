#!/usr/bin/env bash
# Builds both trees: build/win32 (pixaro.exe, plug-ins, test driver) and build/native
# (portable library, tests, sanitizer tests, tools, benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S "$root" -B "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/win32" -j"$jobs"

cmake -S "$root" -B "$root/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPIXARO_WIN32_DIR="$root/build/win32" >/dev/null
cmake --build "$root/build/native" -j"$jobs"
