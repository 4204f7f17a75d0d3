#!/usr/bin/env bash
# `make soak`: the long runs of tests/e2e/soak.scn at their full counts, on
# the 32-bit build where this machine can run it, else on the 64-bit one: a
# million mouse moves at each of two sizes, 200 shell restarts, 50 openings
# of the settings and bad settings files of every length. One to two hours.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
build=win64
if win32_wine_runs; then
  build=win32
fi
echo "Soak of the $build build"
if [ "${1:-}" != --inside ]; then
  exec "$root/scripts/with-wine.sh" "$0" --inside
fi
status=0
for name in $(sed -n 's/^== //p' "$root/tests/e2e/soak.scn"); do
  echo "== $name"
  "$root/scripts/wine-as-tester.sh" --$build "$root/build/$build/bin/scenarios.exe" "$root/tests/e2e/soak.scn" "$name" full ||
    status=1
done
exit $status
