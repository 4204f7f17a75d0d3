#!/usr/bin/env bash
# `make dist`: the two downloads, dist/tavrel-VERSION-x86.zip (the 32-bit
# program) and dist/tavrel-VERSION-x64.zip (the 64-bit one), VERSION being
# what the file of that name holds. Each holds tavrel.exe and a short text
# for the user, with Windows line ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(head -n1 "$root/VERSION")
mkdir -p "$root/dist"
for pair in win32:x86 win64:x64; do
  build=${pair%%:*}
  arch=${pair##*:}
  stage=$(mktemp -d)
  cp "$root/build/$build/bin/tavrel.exe" "$stage/tavrel.exe"
  sed "s/@VERSION@/$version/g; s/\$/\r/" "$root/docs/windows-readme.txt.in" > "$stage/README.txt"
  zip="$root/dist/tavrel-$version-$arch.zip"
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$zip" --format=zip tavrel.exe README.txt)
  rm -rf "$stage"
  echo "$zip"
done
