# Wine under Xvfb for Pixaro's end-to-end runs. Source it, then:
#   pxw_env PREFIX        export the Wine variables for PREFIX (a private prefix)
#   pxw_trap              clean up on EXIT/INT/TERM: what we started, by pid
#   pxw_xvfb              start Xvfb on a free display and export DISPLAY
#   pxw_prefix            create the prefix once (wineboot -i), shared safely by flock
#   pxw_lock              hold the prefix for this shell until it exits (wineserver -k at the end
#                         of one run would kill another run's programs)
#   pxw_run CMD...        run a Wine command in the background, remember its pid, wait for it
#   pxw_screenshot FILE   save the whole screen as a PNG
#   pxw_cleanup           what the trap runs; safe to call more than once
#   pxw_runs_32bit        whether this machine can run 32-bit programs at all (Wine's loader is one)
# Nothing here kills by name: other people run Wine and Xvfb on the same machine.

PXW_PIDS=()
PXW_XVFB_PID=

pxw_env() {
  export WINEPREFIX="$1"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEARCH=win32
}

# Some virtual machines run 64-bit user code only: there every 32-bit executable, Wine's
# loader included, fails with ENOEXEC and no Windows program can start.
pxw_runs_32bit() {
  wine --version >/dev/null 2>&1
}

pxw_cleanup() {
  local pid
  for pid in "${PXW_PIDS[@]}"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
  done
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    # -k ends every process of this prefix only; the timeout guards a wedged server.
    timeout 20 wineserver -k 2>/dev/null
    timeout 20 wineserver -w 2>/dev/null
  fi
  for pid in "${PXW_PIDS[@]}"; do
    [ -n "$pid" ] && wait "$pid" 2>/dev/null
  done
  PXW_PIDS=()
  if [ -n "$PXW_XVFB_PID" ]; then
    kill "$PXW_XVFB_PID" 2>/dev/null
    wait "$PXW_XVFB_PID" 2>/dev/null
    PXW_XVFB_PID=
  fi
}

pxw_trap() {
  trap pxw_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

# Xvfb refuses a display whose lock it does not own, so a lost race just moves on to the next one.
pxw_xvfb() {
  local n i
  for ((n = 90; n < 190; n++)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 8>&- 9>&- &
    PXW_XVFB_PID=$!
    for ((i = 0; i < 200; i++)); do
      if ! kill -0 "$PXW_XVFB_PID" 2>/dev/null; then
        wait "$PXW_XVFB_PID" 2>/dev/null
        PXW_XVFB_PID=
        break
      fi
      if [ -S "/tmp/.X11-unix/X$n" ] && DISPLAY=":$n" xdotool getdisplaygeometry >/dev/null 2>&1; then
        export DISPLAY=":$n"
        return 0
      fi
      sleep 0.05
    done
    if [ -n "$PXW_XVFB_PID" ]; then
      kill "$PXW_XVFB_PID" 2>/dev/null
      wait "$PXW_XVFB_PID" 2>/dev/null
      PXW_XVFB_PID=
    fi
  done
  echo "pxw_xvfb: no free display in :90..:189" >&2
  return 1
}

# Children must not inherit the lock descriptors, or a lingering process would hold the prefix.
pxw_run() {
  "$@" 8>&- 9>&- &
  local pid=$! rc
  PXW_PIDS+=("$pid")
  wait "$pid"
  rc=$?
  PXW_PIDS=("${PXW_PIDS[@]/$pid}")
  return $rc
}

pxw_lock() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 8>"$WINEPREFIX.run.lock"
  flock -w 900 8 || { echo "pxw_lock: $WINEPREFIX stayed busy for 15 minutes" >&2; return 1; }
}

# A crash must end the program quietly instead of leaving winedbg's dialog on the screen.
# The graffiti layer asks for "ＭＳ ゴシック", menus and dialogs for "MS UI Gothic"; the
# prefix maps these Japanese faces to the IPA Gothic font that tools/setup.sh installs.
pxw_prefix() {
  local stamp="$WINEPREFIX/.pixaro-ready" fonts="$WINEPREFIX/.pixaro-fonts"
  [ -f "$stamp" ] && [ -f "$fonts" ] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock -w 300 9 || { echo "pxw_prefix: lock on $WINEPREFIX timed out" >&2; exit 1; }
    [ -f "$stamp" ] && [ -f "$fonts" ] && exit 0
    [ -f "$stamp" ] || timeout 180 wineboot -i >/dev/null 2>&1 8>&- || { echo "pxw_prefix: wineboot failed" >&2; exit 1; }
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 8>&-
    if [ ! -f "$fonts" ]; then
      for face in "ＭＳ ゴシック" "ＭＳ 明朝" "MS Gothic" "MS UI Gothic"; do
        timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAGothic /f \
          >/dev/null 2>&1 8>&- || { echo "pxw_prefix: font replacement failed" >&2; exit 1; }
      done
      touch "$fonts"
    fi
    timeout 60 wineserver -w
    touch "$stamp"
  ) 9>"$WINEPREFIX.lock"
}

pxw_screenshot() {
  xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$1"
}
