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
need_pkg() { installed "$1" || missing+=("$1"); }

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
# Wine's 32-bit part is installed apart from the rest: a mirror can fail to
# serve the i386 packages while everything else comes, and then the rest
# still builds and tests, and the 32-bit build is built but not run
# (scripts/machine.sh, win32_wine_runs, says so in every report).
missing_i386=()
if win32_runs; then
  for pkg in wine32:i386 wine32-preloader:i386; do
    installed "$pkg" || missing_i386+=("$pkg")
  done
fi

[ ${#missing[@]} -eq 0 ] && [ ${#missing_i386[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]} ${missing_i386[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Run as root (or install these packages first): ${missing[*]} ${missing_i386[*]}" >&2
  exit 1
fi
if [ ${#missing_i386[@]} -gt 0 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror in the middle of a sync serves, for a while, an index that does
# not match its release file, and apt fails the whole update though the
# other indexes came. Such an update is tried again; if it keeps failing,
# the install goes on with the indexes that came and says plainly what it
# cannot find.
for attempt in 1 2 3; do
  apt-get update -q -o Acquire::Retries=3 && break
  if [ "$attempt" = 3 ]; then
    echo "apt-get update failed three times; installing from the indexes it has" >&2
  else
    sleep 10
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
if [ ${#missing_i386[@]} -gt 0 ] && ! apt-get install -y -q --no-install-recommends "${missing_i386[@]}"; then
  echo "WARNING: Wine's 32-bit part could not be installed (above, apt says why);" \
       "the 32-bit build is built but cannot be run here." >&2
fi
exit 0
