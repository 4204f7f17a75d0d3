#!/usr/bin/env bash
# Runs a command with a private Wine environment: its own Xvfb display, its
# own 64-bit prefix (created once with wineboot; 32-bit programs run in it
# too, as on 64-bit Windows, where this machine can run them), and one persistent
# wineserver for the whole command, so that each Windows program started by
# the command does not pay Wine's start-up. Afterwards the display and the
# server that this script started are stopped, by their own process ids.
#
#   TAVREL_WINE_DIR   where the prefix lives (default: build/wine)
#   TAVREL_SCREEN     Xvfb screen geometry (default: 1280x1024x24)
#   TAVREL_USE_DISPLAY=1  use the caller's $DISPLAY instead of a private one
#                         (Wine then runs as the caller, who owns that display)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
wine_dir=${TAVREL_WINE_DIR:-$root/build/wine}
screen=${TAVREL_SCREEN:-1280x1024x24}
mkdir -p "$wine_dir"

# Windows programs run as an unprivileged user, as they would for a real
# user: as root, Wine would let them write read-only files.
as_tester="$root/scripts/wine-as-tester.sh"
if [ "$(id -u)" -eq 0 ] && [ "${TAVREL_USE_DISPLAY:-0}" != 1 ]; then
  id tavrel-test >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin tavrel-test
  export TAVREL_WINE_RUN_AS="$(id -u tavrel-test):$(id -g tavrel-test)"
  mkdir -p "$wine_dir/home"
  if [ "$(stat -c %U "$wine_dir")" != tavrel-test ]; then
    chown -R tavrel-test: "$wine_dir"
    # The prefix names the server folder of the user who last ran it.
    rm -f "$wine_dir/prefix/wineserver"
  fi
  export HOME="$wine_dir/home"
fi
wine_() { "$as_tester" "$@"; }
wineserver_() { TAVREL_WINE=/usr/lib/wine/wineserver "$as_tester" "$@"; }

export WINEPREFIX="$wine_dir/prefix"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer dialogs during wineboot.
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
server_pid=
stop() {
  if [ -n "$server_pid" ]; then
    # Ends the programs of this prefix, and with them its server.
    wineserver_ -k 2>/dev/null || true
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

# The prefix's settings; raise the number when they change, so that an
# existing prefix is made anew with them.
prefix_version=5-win64
if [ "$(cat "$wine_dir/prefix.ready" 2>/dev/null)" != "$prefix_version" ]; then
  echo "Creating the Wine prefix in $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX" "$wine_dir/prefix.ready"
  wine_ wineboot -i >/dev/null 2>&1 </dev/null
  # No crash dialog: a crashing test program must fail, not wait for a click.
  wine_ reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 </dev/null
  # The dialogs ask for "MS UI Gothic", a proportional Japanese font that
  # Wine does not have. Ume UI Gothic is made to stand in for it, with its
  # narrow kana and 12-pixel lines, and every label of the dialogs fits in
  # it; wider fonts break some labels over two lines.
  for view in 64 32; do
    wine_ reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
      /v 'MS UI Gothic' /t REG_SZ /d 'Ume UI Gothic' /f /reg:$view >/dev/null 2>&1 </dev/null
  done
  # There is no window manager on the private display: Wine must not wait
  # for one each time a full-screen popup is hidden or destroyed.
  wine_ reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 </dev/null
  wineserver_ -k 2>/dev/null || true
  wineserver_ -w
  echo "$prefix_version" > "$wine_dir/prefix.ready"
fi

wineserver_ -f -p >/dev/null 2>&1 &
server_pid=$!
# Wait for the server's socket, so that the first program does not start a
# server of its own. Wine records the server's folder in the prefix.
for _ in $(seq 100); do
  if [ -f "$WINEPREFIX/wineserver" ] &&
     [ -S "/tmp/$(cat "$WINEPREFIX/wineserver")/server-$(printf '%x-%x' "$(stat -c %d "$WINEPREFIX")" "$(stat -c %i "$WINEPREFIX")")/socket" ]; then
    break
  fi
  sleep 0.05
done

# Start Wine's own session programs (services, the desktop process) with
# their output going nowhere: they would otherwise inherit the caller's
# output and hold its pipe open.
wine_ cmd /c exit >/dev/null 2>&1 </dev/null || true

set +e
"$@"
status=$?
set -e
exit $status
