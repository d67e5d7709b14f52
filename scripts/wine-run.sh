#!/usr/bin/env bash
# Runs a Windows program under Wine: wine-run.sh ARCH PREFIX PROGRAM [ARGS...]
# ARCH is i686 or x86_64; TAVRO_TEST_WINEPREFIX, when set, overrides PREFIX (the 32-bit prefix run).
# Exits 77 (a skipped test for ctest) when this machine cannot run ARCH: Wine's i386 loader is a
# 32-bit Linux program, and a kernel without IA32 emulation refuses it.
set -u
arch=$1 prefix=$2
shift 2
export WINEPREFIX=${TAVRO_TEST_WINEPREFIX:-$prefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine-loaders.sh"
case "$arch" in
  i686)
    if ! tavro_can_run_i386; then
      echo "SKIPPED: this machine cannot run 32-bit Windows programs (no IA32 support in its kernel)"
      exit 77
    fi
    exec "$TAVRO_WINE32" "$@" ;;
  x86_64) exec "$TAVRO_WINE64" "$@" ;;
  *) echo "wine-run.sh: unknown architecture '$arch'" >&2; exit 2 ;;
esac
