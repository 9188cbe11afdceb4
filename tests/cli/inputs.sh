#!/usr/bin/env bash
# inputs.sh TOOLS_DIR WORKDIR: what pixaro-trace and pixaro-exif do with inputs that are no
# pictures at all and with a file-size limit. A folder, /dev/zero or a pipe is refused before
# reading, with its own message and a non-zero exit; past `ulimit -f` the write fails through
# the ordinary path: a message, the old output kept byte for byte, no temporary file left.
set -uo pipefail

if [ $# -ne 2 ]; then
  echo "usage: $0 TOOLS_DIR WORKDIR" >&2
  exit 2
fi
trace=$(realpath "$1/pixaro-trace")
exif=$(realpath "$1/pixaro-exif")
work=$2
rm -rf "$work"
mkdir -p "$work/folder"
cd "$work"
mkfifo pipe
failed=0
fail() { echo "inputs: $*" >&2; failed=1; }

# expect STATUS TEXT COMMAND...: the exit status and a piece of standard error.
expect() {
  local want=$1 text=$2
  shift 2
  timeout 20 "$@" >out.txt 2>err.txt
  local got=$?
  [ "$got" = "$want" ] || fail "$*: exit $got, not $want"
  grep -qF -- "$text" err.txt || fail "$*: no '$text' in: $(head -c 300 err.txt)"
}

for input in folder /dev/zero pipe; do
  expect 2 "$input: not a regular file" "$trace" "$input"
  expect 2 "$input: not a regular file" "$trace" --check "$input"
  expect 2 "$input: not a regular file" "$trace" --graffiti "$input"
  expect 1 "$input: not a regular file" "$exif" "$input"
  expect 1 "$input: not a regular file" "$exif" --strip "$input"
done
expect 2 "missing.pbm: cannot open: No such file" "$trace" missing.pbm

# A 1-bit picture of 2048 short strokes, two rows high: its segments run to far more than 4 KiB.
{
  printf 'P4\n256 256\n'
  for ((row = 0; row < 256; ++row)); do
    if ((row % 4 >= 2)); then head -c 32 /dev/zero; else printf '\xf0%.0s' {1..32}; fi
  done
} >strokes.pbm
printf 'old output\n' >traced.txt
(ulimit -f 4; "$trace" strokes.pbm -o traced.txt) >out.txt 2>err.txt
status=$?
[ "$status" = 4 ] || fail "over the file-size limit: exit $status, not 4 ($(head -c 300 err.txt))"
grep -qF "cannot write traced.txt" err.txt || fail "over the file-size limit: no message: $(head -c 300 err.txt)"
[ "$(cat traced.txt)" = "old output" ] || fail "over the file-size limit: the old output changed"
ls ./~px*.tmp >/dev/null 2>&1 && fail "over the file-size limit: a temporary file was left"
"$trace" strokes.pbm -o traced.txt 2>err.txt || fail "without a limit: $(cat err.txt)"
[ "$(wc -c <traced.txt)" -gt 4096 ] || fail "the picture traces to too little to reach the limit"

exit $failed
