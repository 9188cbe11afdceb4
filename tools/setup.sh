#!/usr/bin/env bash
# Installs everything a fresh Debian machine needs to build and test Pixaro: both Windows
# builds' compilers, 64-bit Wine always, and 32-bit Wine where this machine can run 32-bit
# code at all (some hosts run 64-bit user code only; there the x64 build is the one run).
# Idempotent: quick when everything is already there.
set -euo pipefail

pkgs=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev
      g++-mingw-w64-i686 mingw-w64-i686-dev g++-mingw-w64-x86-64 mingw-w64-x86-64-dev
      wine wine64 xvfb xauth x11-apps imagemagick locales
      fonts-ipafont-gothic xdotool
      clang libclang-rt-14-dev
      libimage-exiftool-perl exiv2 potrace time zip unzip
      libstb-dev libjpeg62-turbo-dev zlib1g-dev libz-mingw-w64-dev)

SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"

# A 96-byte i386 program that only exits 0: it runs where the kernel runs 32-bit code.
runs_i386() {
  local probe
  probe=$(mktemp) || return 1
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'\
'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'\
'\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'\
'\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'\
'\xb8\x01\x00\x00\x00\xbb\x00\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null
  local rc=$?
  rm -f "$probe"
  return $rc
}

if runs_i386; then
  pkgs+=(wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    $SUDO apt-get update -q
  fi
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen
fi
