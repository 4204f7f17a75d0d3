#!/usr/bin/env bash
# `make bench`: the benchmarks of the 32-bit build where this machine can run
# it, else of the 64-bit build, under Wine on a private display. The results
# go to the screen and to build/bench/latest.txt, to compare runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
if win32_wine_runs; then
  build=win32
  heading="32-bit build (build/win32/bin)"
else
  build=win64
  heading="64-bit build (build/win64/bin): $win32_reason"
fi
mkdir -p "$root/build/bench"
{
  echo "Benchmarks of the $heading, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  "$root/scripts/with-wine.sh" "$root/scripts/wine-as-tester.sh" --$build "$root/build/$build/bin/eye_bench.exe"
} 2>&1 | tee "$root/build/bench/latest.txt"
