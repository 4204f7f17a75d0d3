#!/usr/bin/env bash
# `make dist-check`: two fresh clones of the checked-out commit, in folders
# of different names and depths, each run `make dist`, one after the other,
# with different time zones and umasks, and must give the same bytes; `make
# dist` itself refuses any time in them but the source's. Then both build
# again with another SOURCE_DATE_EPOCH, which must change the bytes alike.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# `make dist` in a clone, made first where it is missing, with the time
# zone, the umask and SOURCE_DATE_EPOCH (none when empty) given.
build() {
  local folder=$1 zone=$2 mask=$3 epoch=${4:-}
  echo "== make dist in $folder, TZ=$zone, umask $mask, SOURCE_DATE_EPOCH=${epoch:-(unset)}"
  if ! (
    umask "$mask"
    export TZ=$zone
    if [ -n "$epoch" ]; then export SOURCE_DATE_EPOCH=$epoch; else unset SOURCE_DATE_EPOCH; fi
    [ -d "$folder" ] || { git clone -q --no-checkout "$root" "$folder" && git -C "$folder" checkout -q --detach "$commit"; }
    make -C "$folder" --no-print-directory dist
  ) >"$folder.log" 2>&1; then
    tail -n 40 "$folder.log"
    fail "make dist failed in $folder"
  fi
  cat "$folder/dist/SHA256SUMS"
}

# Both folders hold the same downloads, the two zips and their sums.
same_downloads() {
  diff -r "$1/dist" "$2/dist" || fail "$1 and $2 hold different downloads"
  (cd "$1/dist" && sha256sum --quiet -c SHA256SUMS) || fail "the zips of $1 do not match their sums"
}

a=$work/a
b=$work/second/clone-of-tavrel
mkdir -p "$work/second"
build "$a" KIT-14 022
build "$b" HST10 077
same_downloads "$a" "$b"
cp "$a/dist/SHA256SUMS" "$work/commit-time-sums"
# A time well apart from the commit's, odd so that its rounding to the
# zip's two seconds shows.
build "$a" NPT-5:45 002 1600000001
build "$b" UTC 027 1600000001
same_downloads "$a" "$b"
! cmp -s "$a/dist/SHA256SUMS" "$work/commit-time-sums" || fail "SOURCE_DATE_EPOCH did not change the downloads"
echo "Reproducible: commit ${commit:0:7} gives the same downloads in both folders, with and without SOURCE_DATE_EPOCH."
