#!/usr/bin/env bash
# Runs one end-to-end case: run_case.sh BUILD_DIR WORK_DIR CASE.pxt
# Drives pixaro.exe of BUILD_DIR, x86 or x64 (or $PIXDRV_EXE, a Unix path, for the driver's own
# test) under Wine on a private Xvfb display, in a Wine prefix of WORK_DIR made for that kind
# of program. Samples are WORK_DIR/samples, or $PIXARO_E2E_SAMPLES where several work folders
# share them. Exit code = the driver's; on failure WORK_DIR/cases/NAME/fail.png shows the
# screen at the failing verb. An x86 build is skipped (77) where 32-bit code cannot run; an
# x64 build that cannot run fails.
set -u

if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD_DIR WORK_DIR CASE.pxt [driver options]" >&2
  exit 2
fi
build=$(realpath "$1")
work=$(realpath -m "$2")
case_file=$(realpath "$3")
shift 3
name=$(basename "$case_file" .pxt)
here=$(cd "$(dirname "$0")" && pwd)

[ -f "$build/pixdrv.exe" ] || { echo "run_case: $build/pixdrv.exe is missing" >&2; exit 2; }

source "$here/../../tools/wine-env.sh"
arch=$(pxw_arch_of "$build/pixdrv.exe") || { echo "run_case: $build/pixdrv.exe is no Windows program" >&2; exit 2; }
pxw_env "${PIXARO_WINEPREFIX:-$work/wineprefix}" "$arch"
if ! pxw_can_run "$arch"; then
  if [ "$arch" = x86 ]; then
    echo "run_case: $name skipped: this machine cannot run 32-bit programs, so not 32-bit Wine either" >&2
    exit 77
  fi
  echo "run_case: $name: 64-bit Wine cannot run here ($PXW_LOADER64); tools/setup.sh installs it" >&2
  exit 1
fi
pxw_trap
pxw_lock || exit 1

case_dir="$work/cases/$name"
rm -rf -- "$case_dir"
samples=$(realpath -m "${PIXARO_E2E_SAMPLES:-$work/samples}")
mkdir -p "$case_dir" "$samples"

pxw_xvfb || exit 1
pxw_prefix || exit 1
pxw_windows_managed N || exit 1

# "#! env NAME=VALUE" lines of the case set the program's environment (a time zone, say).
while IFS= read -r assignment; do
  export "${assignment?}"
done < <(sed -n 's/^#! env \([A-Za-z_][A-Za-z0-9_]*=.*\)$/\1/p' "$case_file")

export PIXDRV_BUILD="$build" PIXDRV_WORK="$case_dir" PIXDRV_SAMPLES="$samples"
[ -n "${PIXDRV_EXE:-}" ] && export PIXDRV_EXE=$(realpath "$PIXDRV_EXE")

out="$case_dir/driver.log"
# Every verb is logged, so a case cut short by the deadline shows where it stood.
case " $* " in *" -v "*) ;; *) set -- -v "$@" ;; esac
limit=${PIXDRV_CASE_TIMEOUT:-200}
# --foreground: only the driver is stopped, so the screenshot still shows the program.
pxw_run timeout --foreground -k 10 "$limit" "$WINELOADER" "$build/pixdrv.exe" "$@" "$case_file" >"$out" 2>&1
rc=$?
# Wine 8's client library aborts a process when a large request to its server is cut short
# by a signal ("partial write"), as clipboard data of a few hundred KB now and then is. That
# is Wine's fault, not the case's: run it once more from a clean folder.
# Likewise, a thread that the driver starts in the program (to make a drop's block there) now
# and then never starts, and the program stands still from then on: seen about once in thirty
# runs, only right after a box closed, never without the driver's thread. The first run's log
# and screen are kept beside the case.
again=
if [ $rc -ne 0 ] && grep -q 'wine client error:.*partial write' "$out"; then
  again="Wine aborted a process on a cut-short write to its server"
elif [ $rc -ne 0 ] && grep -q 'did not start a thread for .* it is frozen' "$out"; then
  again="the driver's thread in the program never started"
  [ -f "$case_dir/fail.bmp" ] && /usr/bin/convert "$case_dir/fail.bmp" "$case_dir.first-run.png"
  # The frozen program may outlive the driver; the second run starts from a fresh server.
  timeout 20 wineserver -k 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
fi
if [ -n "$again" ]; then
  echo "run_case: $name: $again; running it once more"
  cp "$out" "$case_dir.first-run.log"
  find "$case_dir" -mindepth 1 -delete
  pxw_run timeout --foreground -k 10 "$limit" "$WINELOADER" "$build/pixdrv.exe" "$@" "$case_file" >"$out" 2>&1
  rc=$?
fi
if [ $rc -eq 0 ]; then
  cat "$out"
  exit 0
fi

# The driver saves the screen before it closes the program; after a hang only the live screen is left.
if [ -f "$case_dir/fail.bmp" ]; then
  /usr/bin/convert "$case_dir/fail.bmp" "$case_dir/fail.png" && rm -f "$case_dir/fail.bmp"
else
  pxw_screenshot "$case_dir/fail.png"
fi
cat "$out"
[ $rc -eq 124 ] && echo "run_case: pixdrv.exe timed out after $limit s"
echo "run_case: $name failed (exit $rc); screen: $case_dir/fail.png"
exit $rc
