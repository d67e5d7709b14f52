#!/usr/bin/env bash
# Runs one Windows program under Wine: wine-run.sh DEFAULT_PREFIX PROGRAM [ARGUMENTS...]
# The build's test emulator. TAVRO_TEST_WINEPREFIX, when set, replaces the default prefix, so the
# same ctest tree can run in another prefix (scripts/test.sh uses it for the 32-bit prefix).
set -u
prefix=${TAVRO_TEST_WINEPREFIX:-$1}
shift
export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
# A kernel without IA-32 emulation cannot start Wine's 32-bit loader, which the `wine` wrapper
# prefers: go straight to the 64-bit loader then (it runs x64 programs only).
if [ -z "${TAVRO_WINE:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    TAVRO_WINE=wine
  else
    TAVRO_WINE=/usr/lib/wine/wine64
    export WINELOADER=/usr/lib/wine/wine64
  fi
fi
exec "$TAVRO_WINE" "$@"
