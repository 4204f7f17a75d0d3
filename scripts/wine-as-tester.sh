#!/usr/bin/env bash
# Runs a Windows program under Wine as the unprivileged test user that
# scripts/with-wine.sh prepared, when there is one. Wine run by root can
# write to read-only files (root ignores the permission bits that Wine uses
# for the read-only attribute), so tests of such files must not run as root.
if [ -n "${TAVREL_WINE_RUN_AS:-}" ] && [ "$(id -u)" -eq 0 ]; then
  exec setpriv --reuid="${TAVREL_WINE_RUN_AS%%:*}" --regid="${TAVREL_WINE_RUN_AS##*:}" --clear-groups -- "${TAVREL_WINE:-wine}" "$@"
fi
exec "${TAVREL_WINE:-wine}" "$@"
