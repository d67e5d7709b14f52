#!/usr/bin/env bash
# The run command: installs what is missing, builds, and starts the installer under Wine.
# It runs in a prefix of its own (scripts/run-prefix.sh), which keeps Wine's X display driver (the
# test prefixes use the null driver), on a virtual X display (xvfb-run) when DISPLAY is unset:
# build/wineprefix-run32, a 32-bit Windows running the i686 installer, where the kernel runs
# 32-bit programs; elsewhere build/wineprefix-run64 with the x64 build of the same installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
export TAVRO_BUILD=$build

bash "$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
source "$root/scripts/run-prefix.sh"

arch=$(tavro_run_arch)
if [ "$arch" = i686 ]; then
  run_prefix=$build/wineprefix-run32
else
  run_prefix=$build/wineprefix-run64
  if tavro_can_run_i386; then
    echo "TAVRO_RUN_ARCH=x86_64: starting the x64 build of the installer."
  else
    echo "This kernel cannot run 32-bit programs: starting the x64 build of the installer."
  fi
fi
exe=$(tavro_run_installer "$build" "$arch")
tavro_run_prefix_prepare "$run_prefix" "$arch"
trap 'WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true; wine_server_stop' EXIT

[ -f "$exe" ] || { echo "the installer was not built: $exe" >&2; exit 1; }

# The server with every descriptor closed. Wine's services start with the installer, on its
# display: started before, without a display, they leave the desktop unable to show a window.
WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
launch=("$root/scripts/wine-run.sh" "$arch" "$run_prefix" "$exe")
echo "Starting $exe"
rc=0
if [ -n "${DISPLAY:-}" ]; then
  "${launch[@]}" || rc=$?
else
  echo "(no DISPLAY: on a virtual X display)"
  xvfb-run -a -s "-screen 0 1024x768x24" "${launch[@]}" || rc=$?
fi
# Wine names the Windows folder's Temp folder "temp" on the Linux side.
log_dir=$(find "$run_prefix/drive_c/windows" -maxdepth 3 -ipath '*/temp/TavroPrint/Log' -print -quit 2>/dev/null || true)
echo "The installer ended with code $rc. Its log: $log_dir"
ls -1 "$log_dir" 2>/dev/null | tail -n 3 | sed 's/^/  /' || true
