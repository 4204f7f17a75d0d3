#!/usr/bin/env bash
# `make test`: builds everything, then checks which way the includes point,
# runs the native tests, a short pass of the fuzz targets and the Windows tests of each build that this machine can
# run under Wine. The first line after the build and the last line say
# which builds are tested and which cannot be, and why.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
cd "$root"

# Inside the Wine environment: the Windows tests of each build named.
if [ "${1:-}" = --wine ]; then
  shift
  status=0
  for build in "$@"; do
    echo "== Windows tests of the $build build"
    ctest --preset "$build" || status=1
  done
  exit $status
fi

make --no-print-directory build || { echo "Tested: nothing, since the build failed."; exit 1; }

builds=(win64)
skipped=""
if win32_wine_runs; then
  builds=(win64 win32)
else
  skipped="; the 32-bit build (win32) is built but not tested: $win32_reason"
fi
plan="native tests, fuzz targets and the Windows tests of the 64-bit build (win64) under 64-bit Wine"
[ ${#builds[@]} -eq 2 ] && plan="$plan and of the 32-bit build (win32) under 32-bit Wine"
echo "Testing: $plan$skipped."

status=0
echo "== Includes"
scripts/check-floors.sh || status=1
echo "== Native tests"
ctest --preset host || status=1
echo "== Fuzz targets, a short pass"
scripts/fuzz.sh --smoke || status=1
scripts/with-wine.sh "$0" --wine "${builds[@]}" || status=1

result=passed
[ $status -eq 0 ] || result=FAILED
echo "Tested: $plan$skipped. Result: $result."
exit $status
