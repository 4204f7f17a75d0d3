#!/usr/bin/env bash
# Runs a command with a private Wine environment: its own Xvfb display, its
# own 32-bit prefix (created once with wineboot), and one persistent
# wineserver for the whole command, so that each Windows program started by
# the command does not pay Wine's start-up. Afterwards the display and the
# server that this script started are stopped, by their own process ids.
#
#   TAVREL_WINE_DIR   where the prefix lives (default: build/wine)
#   TAVREL_SCREEN     Xvfb screen geometry (default: 1280x1024x24)
#   TAVREL_USE_DISPLAY=1  use the caller's $DISPLAY instead of a private one
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=${TAVREL_WINE_DIR:-$root/build/wine}
screen=${TAVREL_SCREEN:-1280x1024x24}
mkdir -p "$wine_dir"

export WINEPREFIX="$wine_dir/prefix"
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
server_pid=
stop() {
  if [ -n "$server_pid" ]; then
    # Ends the programs of this prefix, and with them its server.
    wineserver -k 2>/dev/null || true
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap stop EXIT
trap 'exit 130' INT TERM

if [ "${TAVREL_USE_DISPLAY:-0}" != 1 ]; then
  # Xvfb picks a free display number itself and writes it to fd 4.
  display_file=$(mktemp)
  Xvfb -displayfd 4 -screen 0 "$screen" -nolisten tcp -noreset 4>"$display_file" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  [ -s "$display_file" ] || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
fi

if [ ! -f "$wine_dir/prefix.ready" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 </dev/null
  # No crash dialog: a crashing test program must fail, not wait for a click.
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  # The dialogs ask for "MS UI Gothic"; show them in an installed Japanese font.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'MS UI Gothic' /t REG_SZ /d 'IPAGothic' /f >/dev/null 2>&1 </dev/null
  wineserver -k 2>/dev/null || true
  wineserver -w
  touch "$wine_dir/prefix.ready"
fi

wineserver -f -p >/dev/null 2>&1 &
server_pid=$!
# Wait for the server's socket, so that the first program does not start a
# server of its own.
socket="/tmp/.wine-$(id -u)/server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")/socket"
for _ in $(seq 100); do
  [ -S "$socket" ] && break
  sleep 0.05
done

# Start Wine's own session programs (services, the desktop process) with
# their output going nowhere: they would otherwise inherit the caller's
# output and hold its pipe open.
wine cmd /c exit >/dev/null 2>&1 </dev/null || true

set +e
"$@"
status=$?
set -e
exit $status
