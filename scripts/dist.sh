#!/usr/bin/env bash
# `make dist`: the two downloads, dist/tavrel-VERSION-x86.zip (the 32-bit
# program) and dist/tavrel-VERSION-x64.zip (the 64-bit one), VERSION being
# what the file of that name holds, and dist/SHA256SUMS beside them. Each
# zip holds tavrel.exe and a short text for the user, with Windows line ends.
#
# One commit gives the same bytes wherever and whenever it is built with the
# packages of scripts/ensure-deps.sh, so that anyone can rebuild a download
# and compare it with the published one. Every time in them is the one time
# of the source: SOURCE_DATE_EPOCH where it is set, else the commit's own.
# The programs are linked with it in build/dist/, folders of their own; the
# zips get it, fixed modes and a fixed order from `zip -X`, which leaves out
# the extra fields that hold owners and the other times.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
export TZ=UTC LC_ALL=C
umask 022

fail() { echo "make dist: $*" >&2; exit 1; }

version=$(head -n1 VERSION)
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    fail "this is no git checkout; set SOURCE_DATE_EPOCH to the source's time"
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "make dist: the tracked files differ from commit $(git rev-parse --short HEAD); these downloads are not that commit's" >&2
fi
[[ $SOURCE_DATE_EPOCH =~ ^[0-9]+$ ]] || fail "SOURCE_DATE_EPOCH is \"$SOURCE_DATE_EPOCH\", not seconds since 1970"
# A zip holds local times from 1980 on, to two seconds; with TZ=UTC the
# local time is UTC. The files take the source's time rounded down to an
# even second, which the zip then holds as it is.
[ "$SOURCE_DATE_EPOCH" -ge 315532800 ] || fail "a zip cannot hold a time before 1980 (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
export SOURCE_DATE_EPOCH
file_time=$((SOURCE_DATE_EPOCH - SOURCE_DATE_EPOCH % 2))

for build in win32 win64; do
  cmake --preset "dist-$build" >/dev/null
  cmake --build --preset "dist-$build"
done

# The link time in a PE header: four bytes, eight after the "PE" signature,
# whose place the DOS header gives at 0x3C.
pe_time() {
  local at
  at=$(od -An -tu4 --endian=little -j60 -N4 "$1" | tr -d ' ')
  od -An -tu4 --endian=little -j$((at + 8)) -N4 "$1" | tr -d ' '
}

# The folders of this checkout, as a leaked source or build path would
# begin; none may be in a program.
paths=$(mktemp)
stage=$(mktemp -d)
trap 'rm -rf "$stage" "$paths"' EXIT
for folder in "$root"/*/; do echo "$folder"; done > "$paths"

rm -rf dist
mkdir dist
zips=()
for pair in win32:x86 win64:x64; do
  build=${pair%%:*}
  arch=${pair##*:}
  exe="build/dist/$build/bin/tavrel.exe"
  [ "$(pe_time "$exe")" = "$SOURCE_DATE_EPOCH" ] ||
    fail "$exe was linked at $(pe_time "$exe"), not at SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"
  ! grep -qaF -f "$paths" "$exe" || fail "$exe holds a path of this checkout: $(grep -aoF -f "$paths" "$exe" | head -n1)"

  rm -rf "${stage:?}"/*
  cp "$exe" "$stage/tavrel.exe"
  sed "s/@VERSION@/$version/g; s/\$/\r/" docs/windows-readme.txt.in > "$stage/README.txt"
  chmod 0644 "$stage/tavrel.exe" "$stage/README.txt"
  touch -d "@$file_time" "$stage/tavrel.exe" "$stage/README.txt"
  zip="tavrel-$version-$arch.zip"
  (cd "$stage" && zip -q -X "$root/dist/$zip" tavrel.exe README.txt)

  # The zip as it was meant: these two entries in this order, each with the
  # source's time, read and write for its owner only and read for the rest,
  # no extra field, and the very bytes staged.
  expected="-rw-r--r-- $(date -d "@$file_time" +%Y%m%d.%H%M%S) tavrel.exe
-rw-r--r-- $(date -d "@$file_time" +%Y%m%d.%H%M%S) README.txt"
  listed=$(zipinfo -T "dist/$zip" | sed '1,2d;$d' | awk '{ print $1, $7, $8 }')
  [ "$listed" = "$expected" ] || fail "dist/$zip lists
$listed
instead of
$expected"
  [ "$(zipinfo -v "dist/$zip" | grep -c 'length of extra field: *0 bytes')" = 2 ] ||
    fail "dist/$zip has extra fields: $(zipinfo -v "dist/$zip" | grep 'length of extra field')"
  for name in tavrel.exe README.txt; do
    unzip -p "dist/$zip" "$name" | cmp -s - "$stage/$name" || fail "$name in dist/$zip is not what was packed"
  done
  zips+=("$zip")
done

(cd dist && sha256sum "${zips[@]}" > SHA256SUMS)
cat dist/SHA256SUMS
