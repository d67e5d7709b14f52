#!/usr/bin/env bash
# Screenshots of the real language dialog, one per row: docs/language-dialog-<cn|tw|en>.png, and
# of the main dialog that follows: build/screenshots/main-dialog.png.
# The installer runs in the run prefix (build/wineprefix-run, Wine's X driver) inside a virtual
# desktop, which draws the title bars, on a virtual X display (xvfb-run) when DISPLAY is unset.
# The dialog fonts are linked to WenQuanYi Micro Hei so that the Chinese texts are drawn. The x64
# Windows test program wine_language_dialog_test drives the dialog: it selects each row, writes
# the dialog's screen rectangle into <row>.ready and waits for <row>.done, which this script
# writes once it has taken the shot; then it chooses English and does the same for the main dialog.
#   scripts/screenshots.sh [--no-build] [OUTPUT_FOLDER]   (default: docs/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
export TAVRO_BUILD=$build

on_display=0
no_build=0
out=$root/docs
for arg in "$@"; do
  case "$arg" in
    --on-display) on_display=1 ;;
    --no-build) no_build=1 ;;
    -*) echo "usage: $0 [--no-build] [OUTPUT_FOLDER]" >&2; exit 2 ;;
    *) out=$(mkdir -p "$arg" && cd "$arg" && pwd) ;;
  esac
done

if [ $on_display = 0 ]; then
  [ $no_build = 1 ] || bash "$root/scripts/build.sh"
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" --on-display --no-build "$out"
  fi
fi

source "$root/scripts/wine-env.sh"
run_prefix=$build/wineprefix-run
driver=$build/win64/tests/wine/wine_language_dialog_test.exe
[ -f "$driver" ] || { echo "not built: $driver" >&2; exit 1; }
_wine_make_prefix "$run_prefix" win64 x11
wine_link_cjk_font "$run_prefix"

shots=$(mktemp -d)
trap 'WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true; rm -rf "$shots"' EXIT
WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
mkdir -p "$out"

WINEPREFIX=$run_prefix TAVRO_SHOT_DIR="Z:${shots//\//\\}" "$TAVRO_WINE64" explorer \
  /desktop=TavroShots,1024x768 "$driver" --gtest_also_run_disabled_tests \
  --gtest_filter='LanguageDialogShots.*' </dev/null >"$shots/driver.log" 2>&1 &
driver_pid=$!

rc=0
mkdir -p "$build/screenshots"
for tag in cn tw en main; do
  png=$out/language-dialog-$tag.png
  [ $tag = main ] && png=$build/screenshots/main-dialog.png
  for _ in $(seq 600); do
    [ -f "$shots/$tag.ready" ] && break
    kill -0 $driver_pid 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$shots/$tag.ready" ]; then
    echo "the installer did not show '$tag'" >&2
    rc=1
    break
  fi
  read -r x y w h <"$shots/$tag.ready"
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"
  echo "$png (${w}x${h} at $x,$y)"
  touch "$shots/$tag.done"
done

# The driver ends once the main dialog is cancelled; the virtual desktop may stay: the server's
# end (the trap) takes it down.
for _ in $(seq 300); do
  grep -q 'PASSED\|FAILED' "$shots/driver.log" 2>/dev/null && break
  sleep 0.1
done
if ! grep -q '\[  PASSED  \] 1 test' "$shots/driver.log"; then
  cat "$shots/driver.log" >&2
  rc=1
fi
kill $driver_pid 2>/dev/null || true
exit $rc
