# Wine under Xvfb for Pixaro's end-to-end runs. Source it, then:
#   pxw_env PREFIX [ARCH] export the Wine variables for PREFIX (a private prefix) and for
#                         running x86 (the default) or x64 programs; pxw_wine is then the loader
#   pxw_wine ARGS...      Wine's loader for that kind of program
#   pxw_can_run ARCH      whether this machine can run Windows programs of ARCH (x86, x64)
#   pxw_arch_of FILE      x86 or x64: the machine type in a Windows executable's PE header
#   pxw_trap              clean up on EXIT/INT/TERM: what we started, by pid
#   pxw_xvfb              start Xvfb on a free display and export DISPLAY
#   pxw_prefix            create the prefix once (wineboot -i), shared safely by flock
#   pxw_windows_managed Y|N  windows framed by a window manager (the user's display) or not (Xvfb)
#   pxw_lock              hold the prefix for this shell until it exits (wineserver -k at the end
#                         of one run would kill another run's programs)
#   pxw_run CMD...        run a Wine command in the background, remember its pid, wait for it
#   pxw_screenshot FILE   save the whole screen as a PNG
#   pxw_cleanup           what the trap runs; safe to call more than once
# Nothing here kills by name: other people run Wine and Xvfb on the same machine.

PXW_PIDS=()
PXW_XVFB_PID=

PXW_LOADER32=/usr/lib/wine/wine
PXW_LOADER64=/usr/lib/wine/wine64

# Debian's `wine` script takes the 32-bit loader whenever it is installed, even where it
# cannot run, so each kind of program gets its loader by name and a prefix of its own.
pxw_env() {
  export WINEPREFIX="$1"
  export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  case "${2:-x86}" in
    x86) export WINEARCH=win32 WINELOADER=$PXW_LOADER32 ;;
    x64) export WINEARCH=win64 WINELOADER=$PXW_LOADER64 ;;
    *) echo "pxw_env: no such build: $2 (x86 or x64)" >&2; return 2 ;;
  esac
}

pxw_wine() {
  "$WINELOADER" "$@"
}

# Some virtual machines run 64-bit user code only: there every 32-bit executable, Wine's
# 32-bit loader included, fails with ENOEXEC, and only x64 programs can start.
pxw_can_run() {
  case "$1" in
    x86) [ -x "$PXW_LOADER32" ] && "$PXW_LOADER32" --version >/dev/null 2>&1 ;;
    x64) [ -x "$PXW_LOADER64" ] && "$PXW_LOADER64" --version >/dev/null 2>&1 ;;
    *) return 1 ;;
  esac
}

# The COFF machine field: 0x14c i386, 0x8664 AMD64.
pxw_arch_of() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ') || return 1
  [ -n "$pe" ] && [ "$(od -An -c -j"$pe" -N2 "$1" | tr -d ' ')" = PE ] || return 1
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in
    014c) echo x86 ;;
    8664) echo x64 ;;
    *) return 1 ;;
  esac
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
    [ -f "$stamp" ] || timeout 180 "$WINELOADER" wineboot -i >/dev/null 2>&1 8>&- || { echo "pxw_prefix: wineboot failed" >&2; exit 1; }
    timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
      >/dev/null 2>&1 8>&-
    if [ ! -f "$fonts" ]; then
      for face in "ＭＳ ゴシック" "ＭＳ 明朝" "MS Gothic" "MS UI Gothic"; do
        timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d IPAGothic /f \
          >/dev/null 2>&1 8>&- || { echo "pxw_prefix: font replacement failed" >&2; exit 1; }
      done
      touch "$fonts"
    fi
    timeout 60 wineserver -w
    touch "$stamp"
  ) 9>"$WINEPREFIX.lock"
}

# No window manager runs on Xvfb, and Wine then waits 2 s for one to withdraw each window it
# hides (every file dialog's OK) unless its windows are unmanaged. Tests and screenshots run
# unmanaged; a run on the user's display is managed, with the desktop's frames.
pxw_windows_managed() {  # Y|N
  local mark="$WINEPREFIX/.pixaro-managed"
  [ "$(cat "$mark" 2>/dev/null)" = "$1" ] && return 0
  timeout 60 "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f \
    >/dev/null 2>&1 8>&- || { echo "pxw_windows_managed: reg add failed" >&2; return 1; }
  timeout 60 wineserver -w
  echo "$1" >"$mark"
}

pxw_screenshot() {
  xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "$1"
}
