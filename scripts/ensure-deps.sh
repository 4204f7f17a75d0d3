#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing, from
# Debian's own packages. Does nothing when everything is already there.
# Wine's 32-bit part (and with it the i386 architecture) is installed only
# where this machine can run 32-bit programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"

missing=()
need() { command -v "$1" >/dev/null 2>&1 || missing+=("$2"); }
need_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || missing+=("$1"); }

need cmake cmake
need g++ g++
need make make
need i686-w64-mingw32-g++-posix g++-mingw-w64-i686-posix
need i686-w64-mingw32-windres binutils-mingw-w64-i686
need x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix
need x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64
need clang clang
need Xvfb xvfb
need xdpyinfo x11-utils
need setpriv util-linux
need git git
need zip zip
need zipinfo unzip
need useradd passwd
need_pkg libclang-rt-14-dev
need_pkg imagemagick
need_pkg googletest
need_pkg wine
need_pkg wine64
# Wine's preloader reserves the address ranges that Windows programs expect
# before anything else can take them. Without it the loader's heap, which
# recent kernels place anywhere in the gigabyte above the loader, now and
# then covers the page Wine maps its shared user data at, and a new process
# dies before it starts: CreateProcessW then fails with
# ERROR_INTERNAL_ERROR, about once in three thousand starts.
need_pkg wine64-preloader
need_pkg fonts-horai-umefont
with_i386=0
if win32_runs; then
  with_i386=1
  need_pkg wine32:i386
  need_pkg wine32-preloader:i386
fi

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or install these packages first): ${missing[*]}" >&2
  exit 1
fi
if [ "$with_i386" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
