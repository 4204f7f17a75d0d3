#!/usr/bin/env bash
# `make dist`: the two downloads, dist/tavrel-1.01-x86.zip (the 32-bit
# program) and dist/tavrel-1.01-x64.zip (the 64-bit one). Each holds
# tavrel.exe and a short text for the user, with Windows line ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
version=1.01
mkdir -p "$root/dist"
for pair in win32:x86 win64:x64; do
  build=${pair%%:*}
  arch=${pair##*:}
  stage=$(mktemp -d)
  cp "$root/build/$build/bin/tavrel.exe" "$stage/tavrel.exe"
  sed 's/$/\r/' "$root/docs/windows-readme.txt" > "$stage/README.txt"
  zip="$root/dist/tavrel-$version-$arch.zip"
  rm -f "$zip"
  (cd "$stage" && cmake -E tar cf "$zip" --format=zip tavrel.exe README.txt)
  rm -rf "$stage"
  echo "$zip"
done
