#!/usr/bin/env bash
# Builds every libFuzzer target (tests/**/*_fuzz.cpp) with clang and runs each for a bounded
# time (default 60 s). A crash is copied into the target's crashers/ folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
out="$root/build/fuzz"
mkdir -p "$out"
portable=$(find src -name '*.cpp' ! -name '*_win.cpp' ! -path '*/plugins/*')
for target in $(find tests -name '*_fuzz.cpp'); do
  name=$(basename "$target" .cpp)
  dir=$(dirname "$target")
  clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -Isrc -I"$dir" "$target" $portable -o "$out/$name"
  mkdir -p "$out/$name.corpus" "$dir/crashers"
  if ! "$out/$name" -max_total_time="$seconds" -artifact_prefix="$dir/crashers/" "$out/$name.corpus"; then
    echo "fuzz: $name found a crash; see $dir/crashers/" >&2
    exit 1
  fi
done
