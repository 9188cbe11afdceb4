#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/**/*_fuzz.cpp) with clang in a tree of their own and runs
# each for a bounded time over the seeds kept in tests/<area>/corpus/. New inputs go to the
# tree's corpus, never into the repository; a crash lands in tests/<area>/crashers/, which
# Crashers_test.cpp replays, and fails the run.
#   tools/fuzz.sh [--tree DIR] [--seconds N] [--build-only | --run-only] [TARGET...]
# Defaults: tree build/fuzz, 60 seconds, every target. Exit 77 when clang is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
tree="$root/build/fuzz"
seconds=60
build=1
run=1
targets=()
while (($#)); do
  case $1 in
    --tree) tree=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --build-only) run=0; shift ;;
    --run-only) build=0; shift ;;
    -*) sed -n '6p' "$0" >&2; exit 2 ;;
    *) targets+=("$1"); shift ;;
  esac
done

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ not found, nothing fuzzed" >&2
  exit 77
fi
if ((${#targets[@]} == 0)); then
  for source in $(find tests -name '*_fuzz.cpp' | sort); do targets+=("$(basename "$source" .cpp)"); done
fi

if ((build)); then
  cmake -S "$root" -B "$tree" -DPIXARO_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$tree" -j"$(nproc 2>/dev/null || echo 2)" --target "${targets[@]}"
fi
((run)) || exit 0

for name in "${targets[@]}"; do
  source=$(find tests -name "$name.cpp" | head -n 1)
  [[ -n $source && -x $tree/$name ]] || { echo "fuzz: no target $name in $tree" >&2; exit 1; }
  dir=$(dirname "$source")
  mkdir -p "$tree/corpus/$name" "$dir/crashers"
  seeds=()
  [[ -d $dir/corpus ]] && seeds=("$dir/corpus")
  # The first corpus folder takes the new inputs; the seeds are only read.
  if ! "$tree/$name" -max_total_time="$seconds" -timeout=10 -artifact_prefix="$dir/crashers/" \
       "$tree/corpus/$name" "${seeds[@]}"; then
    echo "fuzz: $name found a fault; its input is in $dir/crashers/" >&2
    exit 1
  fi
done
