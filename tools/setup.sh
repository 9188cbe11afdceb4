#!/usr/bin/env bash
# Installs everything a fresh Debian machine needs to build and test Pixaro.
# Idempotent: quick when everything is already there.
set -euo pipefail

pkgs=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev
      g++-mingw-w64-i686 mingw-w64-i686-dev
      wine wine32:i386 xvfb xauth x11-apps imagemagick locales
      fonts-ipafont-gothic xdotool
      clang libclang-rt-14-dev
      libimage-exiftool-perl exiv2 potrace time
      libstb-dev libjpeg62-turbo-dev)

SUDO=""
[ "$(id -u)" = 0 ] || SUDO="sudo"

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  missing=("${pkgs[@]}")
else
  for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
fi

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
