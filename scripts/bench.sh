#!/usr/bin/env bash
# `make bench`: the benchmarks of the 32-bit build where this machine can run
# it, else of the 64-bit build, under Wine on a private display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
if win32_runs; then
  build=win32
  echo "Benchmarking the 32-bit build (build/win32/bin)."
else
  build=win64
  echo "Benchmarking the 64-bit build (build/win64/bin): $win32_reason."
fi
exec "$root/scripts/with-wine.sh" "$root/scripts/wine-as-tester.sh" --$build "$root/build/$build/bin/eye_bench.exe"
