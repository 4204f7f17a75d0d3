#!/usr/bin/env bash
# `make soak`: the long runs of tests/soak/soak.cpp, on the 32-bit build
# where this machine can run it, else on the 64-bit one: a million mouse
# moves at each of two sizes, 200 shell restarts, 50 openings of the
# settings and the bad settings files. One to two hours.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
build=win64
if win32_runs; then
  build=win32
fi
echo "Soak of the $build build"
exec "$root/scripts/with-wine.sh" "$root/scripts/wine-as-tester.sh" --$build "$root/build/$build/bin/soak.exe" 1000000 200 50
