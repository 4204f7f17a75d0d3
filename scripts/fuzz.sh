#!/usr/bin/env bash
# `make fuzz`: runs each libFuzzer target of the platform-free rules from
# its seed corpus for a fixed number of executions and prints, per target,
# the executions, the time and the findings. `scripts/fuzz.sh --smoke` runs
# each target briefly, enough to show that it builds, runs and holds on its
# seeds. Either way the exit status is non-zero when any target finds a
# problem. The seeds are copied into build/fuzz/runs/<target>, so that what
# the fuzzer adds to its corpus never lands in the repository; crash files
# are kept there too.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$root/build/fuzz

mode=full
case "${1:-}" in
  "") ;;
  --smoke) mode=smoke ;;
  *) echo "usage: $0 [--smoke]" >&2; exit 2 ;;
esac

# Target, executions in the full run, in the smoke run, and the longest
# input worth trying. The numeric check runs a regex per field and is about
# a hundred times slower than the others, so it gets fewer executions.
targets=(
  "settings_record  4000000 5000 64"
  "number_input      500000 2000 128"
  "pupil_placement  3000000 5000 24"
)

status=0
total_start=$EPOCHREALTIME
printf '%-16s %11s %8s  %s\n' target executions seconds findings
for entry in "${targets[@]}"; do
  read -r name full smoke max_len <<<"$entry"
  runs=$full
  [ $mode = smoke ] && runs=$smoke
  exe=$bin/${name}_fuzz
  if [ ! -x "$exe" ]; then
    echo "$exe is missing: build the fuzz preset first (make fuzz)" >&2
    status=1
    continue
  fi
  work=$bin/runs/$name
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  cp "$root/tests/fuzz/corpus/$name/"* "$work/corpus/"

  start=$EPOCHREALTIME
  "$exe" -seed=1 -runs="$runs" -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="$work/findings/" "$work/corpus" >"$work/log" 2>&1
  rc=$?
  seconds=$(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $start }")
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
  findings=$(ls "$work/findings")
  if [ $rc -ne 0 ] || [ -n "$findings" ]; then
    status=1
    findings=${findings:+$work/findings/$findings}
    findings=${findings:-"exit status $rc, see $work/log"}
  else
    findings=0
  fi
  printf '%-16s %11s %8s  %s\n' "$name" "${executions:-?}" "$seconds" "$findings"
  [ "$findings" = 0 ] || tail -n 25 "$work/log" >&2
done
printf '%-16s %11s %8s\n' total "" "$(awk "BEGIN { printf \"%.1f\", $EPOCHREALTIME - $total_start }")"
exit $status
