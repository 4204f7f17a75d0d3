#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing, from
# Debian's own packages. Does nothing when everything is already there.
set -euo pipefail

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
need_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || missing+=("$1"); }

need cmake cmake
need g++ g++
need make make
need i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix
need i686-w64-mingw32-windres binutils-mingw-w64-i686
need Xvfb xvfb
need xdpyinfo x11-utils
need setpriv util-linux
need useradd passwd
need_pkg imagemagick
need_pkg googletest
need_pkg wine
need_pkg wine32:i386
need_pkg fonts-ipafont-gothic

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or install these packages first): ${missing[*]}" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
