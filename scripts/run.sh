#!/usr/bin/env bash
# `make run`: the stand-in desktop shell and tavrel.exe under Wine.
#
# With a display, both run inside a Wine virtual desktop window, so that the
# user's own desktop is untouched; the eyes follow the mouse in that window
# until Quit is chosen from the tray icon (or the window is closed).
#
# Without one (as on a build server), the demo driver runs them on a private
# Xvfb, moves the mouse along a path around and between the eyes, opens the
# settings, and leaves screenshots and a contact sheet in build/demo/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
# The 32-bit program is the main product; where this machine cannot run it,
# the 64-bit one shows the same.
if win32_wine_runs; then
  build=win32
  echo "Running the 32-bit tavrel.exe (build/win32/bin)."
else
  build=win64
  echo "Running the 64-bit tavrel.exe (build/win64/bin): $win32_reason."
fi
bin="$root/build/$build/bin"
demo="$root/build/demo"
wine_="$root/scripts/wine-as-tester.sh --$build"

if [ -n "${DISPLAY:-}" ] && [ "${CI:-}" != true ] && xdpyinfo >/dev/null 2>&1; then
  export TAVREL_USE_DISPLAY=1 TAVREL_WINE_DIR="$root/build/wine-run"
  desktop="/desktop=Tavrel,1280x800"
  exec "$root/scripts/with-wine.sh" bash -c "
    $wine_ explorer '$desktop' 'Z:${bin//\//\\}\\standin_shell.exe' --wallpaper=gradient &
    sleep 3
    $wine_ explorer '$desktop' 'Z:${bin//\//\\}\\tavrel.exe'"
fi

rm -rf "$demo"
mkdir -p "$demo"
chmod a+rwx "$demo"
"$root/scripts/with-wine.sh" $wine_ "$bin/demo_driver.exe" "Z:${demo//\//\\}"
shopt -s nullglob
shots=("$demo"/*.bmp)
[ ${#shots[@]} -gt 0 ] || { echo "the demo took no screenshots" >&2; exit 1; }
for bmp in "${shots[@]}"; do
  /usr/bin/convert "$bmp" "${bmp%.bmp}.png"
  rm "$bmp"
done
/usr/bin/montage "$demo"/frame_*.png -tile 4x -geometry +4+4 -background '#202020' "$demo/contact_sheet.png"
echo "Screenshots: $demo/frame_*.png"
[ -f "$demo/settings.png" ] && echo "Settings:    $demo/settings.png"
echo "Contact sheet: $demo/contact_sheet.png"
