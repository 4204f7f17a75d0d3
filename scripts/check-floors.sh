#!/usr/bin/env bash
# The product's folders stand on each other in one order, the ground first:
# a file may include headers of its own folder and of the folders below
# it, never of one above. Only the entry point, which puts everything
# together, may include every folder. Fails with the offending lines.
set -uo pipefail
cd "$(dirname "$0")/.."

floors=(res app eyes settings_ui tray)
entry_point="app/main.cpp app/startup.cpp"

level() {
  local i
  for i in "${!floors[@]}"; do
    [ "${floors[$i]}" = "$1" ] && { echo "$i"; return; }
  done
  echo -1
}

status=0
for folder in "${floors[@]}"; do
  own=$(level "$folder")
  for file in $(git ls-files "$folder" | grep -E '\.(c|cpp|h|rc)$'); do
    case " $entry_point " in *" $file "*) continue ;; esac
    while IFS= read -r line; do
      header=${line#*\"}
      header=${header%%\"*}
      case "$header" in */*) ;; *) continue ;; esac
      if [ "$(level "${header%%/*}")" -gt "$own" ]; then
        echo "$file: $line (${header%%/*}/ stands above $folder/)"
        status=1
      fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
  done
done
[ $status -eq 0 ] && echo "Includes point down the floors: ${floors[*]}."
exit $status
