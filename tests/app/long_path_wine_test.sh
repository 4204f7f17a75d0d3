#!/usr/bin/env bash
# The settings file beside an executable whose path is longer than 255
# characters, so that the path buffer has to grow before "tavrel.dat" is
# found. Wine's CreateProcessW refuses application paths past MAX_PATH, so
# the probe is started from the Unix side, where Wine's loader takes any
# length. Run twice, it loads the defaults and then what it saved.
#   long_path_wine_test.sh PROBE_EXE RUNNER...
set -euo pipefail
probe=$1
shift
deep="$(dirname "$probe")/testtmp/long_path"
trap 'rm -rf "$(dirname "$probe")/testtmp/long_path"' EXIT
while [ ${#deep} -lt 320 ]; do deep="$deep/a_rather_long_folder_name"; done
mkdir -p "$deep"
cp "$probe" "$deep/"
chmod -R a+rwX "$(dirname "$probe")/testtmp/long_path"
"$@" "$deep/$(basename "$probe")" && "$@" "$deep/$(basename "$probe")"
expected="2a aa 01 00 16 00 00 00 00 00 00 00 3b 01 00 00 c8 00 00 00 00 00 00 00 ff ff ff 00 00 00 00 00"
[ "$(od -An -tx1 -v "$deep/tavrel.dat" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')" = "$expected" ]
