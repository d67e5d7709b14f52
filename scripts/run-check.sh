#!/usr/bin/env bash
# The run command's check: in a prefix made exactly as scripts/run.sh makes its own
# (scripts/run-prefix.sh; here build/wineprefix-runcheck-ARCH, so that the user's run prefix is
# left alone), the installer the run command starts installs every catalog model on COM1 and ends
# with "Installation complete." (tests/wine/run_prefix_models.cpp, on a virtual X display as the
# run command uses one). Exits with the test program's code; the test command calls it.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
source "$root/scripts/wine-env.sh"
source "$root/scripts/run-prefix.sh"

arch=$(tavro_run_arch)
tree=win32
[ "$arch" = x86_64 ] && tree=win64
program=$build/$tree/tests/wine/wine_run_prefix_models.exe
[ -f "$program" ] || { echo "not built: $program" >&2; exit 1; }
prefix=$build/wineprefix-runcheck-$arch
tavro_run_prefix_prepare "$prefix" "$arch"
trap 'WINEPREFIX=$prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true' EXIT
WINEPREFIX=$prefix "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
echo "Every catalog model on COM1: $arch installer in $prefix"
xvfb-run -a -s "-screen 0 1024x768x24" "$root/scripts/wine-run.sh" "$arch" "$prefix" "$program" --gtest_color=no
