#!/usr/bin/env bash
# `make dist-check`: the downloads of the checked-out commit are the same
# bytes however they are built. Two fresh clones of the commit, in folders of
# different names and depths, each run `make dist`, one after the other, so
# at different times, with different time zones and umasks: their zips and
# SHA256SUMS must match byte for byte, and every time in them must be the
# commit's. Then both build again with SOURCE_DATE_EPOCH set to another
# time, which must decide every time in them instead and again give the same
# bytes in both. Takes a few minutes: each clone builds both programs.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
commit=$(git -C "$root" rev-parse HEAD)
commit_time=$(git -C "$root" log -1 --format=%ct "$commit")
version=$(git -C "$root" show "$commit:VERSION")
# A time well apart from the commit's, odd so that its rounding to the
# zip's two seconds shows.
other_time=1600000001

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
[ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] ||
  echo "Note: this checks commit ${commit:0:7}, not the uncommitted changes beside it."

# `make dist` in a clone of the commit, made first where it is missing.
# Arguments: the folder, the time zone, the umask, and SOURCE_DATE_EPOCH or
# nothing for a build without it.
build() {
  local folder=$1 zone=$2 mask=$3 epoch=${4:-}
  echo "== make dist in $folder, TZ=$zone, umask $mask, SOURCE_DATE_EPOCH=${epoch:-(unset)}"
  if ! (
    umask "$mask"
    export TZ=$zone
    if [ -n "$epoch" ]; then export SOURCE_DATE_EPOCH=$epoch; else unset SOURCE_DATE_EPOCH; fi
    if [ ! -d "$folder" ]; then
      git clone -q --no-checkout "$root" "$folder"
      git -C "$folder" checkout -q --detach "$commit"
    fi
    make -C "$folder" --no-print-directory dist
  ) >"$folder.log" 2>&1; then
    tail -n 40 "$folder.log"
    fail "make dist failed in $folder"
  fi
  cat "$folder/dist/SHA256SUMS"
}

# The link time in a PE header: four bytes, eight after the "PE" signature,
# whose place the DOS header gives at 0x3C.
pe_time() {
  local at
  at=$(od -An -tu4 --endian=little -j60 -N4 "$1" | tr -d ' ')
  od -An -tu4 --endian=little -j$((at + 8)) -N4 "$1" | tr -d ' '
}

# Both folders hold the same downloads, and every time in them is the one
# given: each program's link time, and each zip entry's time to its two
# seconds, in UTC.
same_downloads_at() {
  local a=$1 b=$2 time=$3 zip listed expected
  cmp "$a/dist/SHA256SUMS" "$b/dist/SHA256SUMS" || fail "$a and $b have different SHA256SUMS"
  (cd "$a/dist" && sha256sum --quiet -c "$b/dist/SHA256SUMS") || fail "the zips of $a do not match the sums of $b"
  [ "$(ls "$a/dist")" = "$(printf '%s\n' SHA256SUMS "tavrel-$version-x64.zip" "tavrel-$version-x86.zip")" ] ||
    fail "$a/dist holds $(ls "$a/dist" | tr '\n' ' ')"
  expected=$(TZ=UTC date -d "@$((time - time % 2))" +%Y%m%d.%H%M%S)
  for zip in "$a/dist/tavrel-$version-x86.zip" "$a/dist/tavrel-$version-x64.zip"; do
    cmp "$zip" "$b/dist/${zip##*/}" || fail "$zip differs from the one in $b"
    unzip -p "$zip" tavrel.exe > "$work/tavrel.exe"
    [ "$(pe_time "$work/tavrel.exe")" = "$time" ] ||
      fail "tavrel.exe in $zip was linked at $(pe_time "$work/tavrel.exe"), not at $time"
    listed=$(zipinfo -T "$zip" | sed '1,2d;$d' | awk '{ print $7 }' | sort -u)
    [ "$listed" = "$expected" ] || fail "$zip has entries of $listed, not of $expected"
  done
}

a=$work/a
b=$work/second/clone-of-tavrel
mkdir -p "$work/second"
build "$a" KIT-14 022
build "$b" HST10 077
same_downloads_at "$a" "$b" "$commit_time"
build "$a" NPT-5:45 002 "$other_time"
build "$b" UTC 027 "$other_time"
same_downloads_at "$a" "$b" "$other_time"
echo "Reproducible: commit ${commit:0:7} gives the same downloads in both folders, with and without SOURCE_DATE_EPOCH."
