#!/usr/bin/env bash
# The settings file beside an executable whose path is longer than 255
# characters: the path buffer has to grow before "tavrel.dat" can be found.
# Wine's CreateProcessW refuses application paths past MAX_PATH, so the
# probe is started from the Unix side, where Wine's loader takes any length.
#   long_path_wine_test.sh PROBE_EXE RUNNER
set -euo pipefail
probe=$1
runner=$2
dir="$(dirname "$probe")/testtmp/long_path"
rm -rf "$dir"
deep="$dir"
while [ ${#deep} -lt 320 ]; do deep="$deep/a_rather_long_folder_name_for_testing"; done
mkdir -p "$deep"
cp "$probe" "$deep/"
chmod -R a+rwX "$dir"
trap 'rm -rf "$dir"' EXIT

"$runner" "$deep/settings_probe.exe" save 11 -22 333 144 0x102030 0xFFFFFF 0 >/dev/null 2>&1
[ "$(stat -c %s "$deep/tavrel.dat")" = 32 ] || { echo "tavrel.dat is not 32 bytes"; exit 1; }
[ "$(od -An -tx1 -N4 "$deep/tavrel.dat" | tr -d ' ')" = 2aaa0100 ] || { echo "wrong tag"; exit 1; }

rm "$deep/probe.out"
"$runner" "$deep/settings_probe.exe" load >/dev/null 2>&1
got=$(tr -d '\r' < "$deep/probe.out" | tr '\n' ' ')
[ "$got" = "11 -22 333 144 1056816 16777215 0 " ] || { echo "loaded: $got"; exit 1; }
echo "long executable path: settings saved and loaded (${#deep} characters)"
