#!/usr/bin/env bash
# Runs a Windows program under Wine as the unprivileged test user that
# scripts/with-wine.sh prepared, when there is one. Wine run by root can
# write to read-only files (root ignores the permission bits that Wine uses
# for the read-only attribute), so tests of such files must not run as root.
#
# The first argument may choose the loader: --win64 (the default) runs the
# program with 64-bit Wine, --win32 with 32-bit Wine. TAVREL_WINE names
# another Wine program to run instead, such as the server.
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/machine.sh"
loader=$wine64_loader
case "${1:-}" in
  --win64) shift ;;
  --win32) loader=$wine32_loader; shift ;;
esac
# A process of either kind finds the loader of the other kind beside this
# one, should it start such a program.
export WINELOADER=$loader
program=${TAVREL_WINE:-$loader}
if [ -n "${TAVREL_WINE_RUN_AS:-}" ] && [ "$(id -u)" -eq 0 ]; then
  exec setpriv --reuid="${TAVREL_WINE_RUN_AS%%:*}" --regid="${TAVREL_WINE_RUN_AS##*:}" --clear-groups -- "$program" "$@"
fi
exec "$program" "$@"
