#!/usr/bin/env bash
# Fails unless at least one of the Windows builds given can run here under Wine: a test run
# that exercised no real window has tested nothing a user sees.
#   runnable.sh [BUILD_DIR...]
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../tools/wine-env.sh"
for build in "$@"; do
  [ -f "$build/pixdrv.exe" ] || continue
  arch=$(pxw_arch_of "$build/pixdrv.exe") || continue
  if pxw_can_run "$arch"; then
    echo "runnable: the $arch build in $build runs under Wine here"
    exit 0
  fi
  echo "runnable: the $arch build in $build cannot run here"
done
echo "runnable: no Windows build can run under Wine on this machine, so no case drives the real window" >&2
exit 1
