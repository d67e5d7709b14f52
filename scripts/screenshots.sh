#!/usr/bin/env bash
# Screenshots of the real language dialog, one per row: docs/language-dialog-<cn|tw|en>.png, and
# of the main dialog in each language with a detected USB printer: docs/main-dialog-<cn|tw|en>.png.
# The installer runs in the run prefix (build/wineprefix-run, Wine's X driver) inside a virtual
# desktop, which draws the title bars, on a virtual X display (xvfb-run) when DISPLAY is unset.
# The dialog fonts are linked to WenQuanYi Micro Hei so that the Chinese texts are drawn. The x64
# Windows test programs drive the dialogs: wine_language_dialog_test selects each row, writes the
# dialog's screen rectangle into <row>.ready and waits for <row>.done, which this script writes
# once it has taken the shot; wine_main_dialog_test plugs in a test printer, opens the main dialog
# in each language and does the same; wine_install_test installs the TR-80 and does the same for
# the message box of the completed installation: docs/install-complete-en.png;
# wine_network_bluetooth_dialog_test hosts the tests' Standard TCP/IP monitor with two ports and
# shows the network list: docs/network-ports-en.png.
# Then the language and main dialogs again with the prefix at 144 DPI (150 %): the same names with
# "-144dpi" (Wine takes the screen DPI from HKCU\Control Panel\Desktop, LogPixels, read by each
# process at its start; the server is restarted around the change and the value put back to 96).
# The caption buttons are drawn with Wine's Marlett symbol font (Debian's fonts-wine, copied into
# the prefix's Fonts folder).
# A pixel of the dialog's left margin in each main dialog shot must be white: the dialog's own
# background is the white of its labels.
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
language_driver=$build/win64/tests/wine/wine_language_dialog_test.exe
main_driver=$build/win64/tests/wine/wine_main_dialog_test.exe
# The installation runs where it does on Windows: the i686 installer under WOW64. An x64 driver
# skips it, so the i686 one is taken wherever this kernel runs 32-bit programs.
install_driver=$build/win64/tests/wine/wine_install_test.exe
tavro_can_run_i386 && install_driver=$build/win32/tests/wine/wine_install_test.exe
network_driver=$build/win64/tests/wine/wine_network_bluetooth_dialog_test.exe
for driver in "$language_driver" "$main_driver" "$install_driver" "$network_driver"; do
  [ -f "$driver" ] || { echo "not built: $driver" >&2; exit 1; }
done
_wine_make_prefix "$run_prefix" win64 x11
wine_spooler_autostart "$run_prefix"
wine_link_cjk_font "$run_prefix"
# Debian's Wine does not look into the folder where fonts-wine puts Wine's own fonts: the run
# prefix gets Marlett in its Fonts folder, whose symbols draw the caption buttons (without it they
# come out as the letters "0" and "r"). Only Marlett: Wine's Tahoma would take the place of the
# system's font in the captions, where it draws no Chinese.
cp -u /usr/share/wine/fonts/marlett.ttf "$run_prefix/drive_c/windows/Fonts/"

shots=$(mktemp -d)
# On the way out the prefix is left at 96 DPI, whatever stopped the run.
trap 'WINEPREFIX=$run_prefix "$TAVRO_WINE64" reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f </dev/null >/dev/null 2>&1; WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true; rm -rf "$shots"' EXIT
WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
mkdir -p "$out"

# Runs one driver's DISABLED_ shot test in the virtual desktop and takes its shots, in order:
# for each "TAG=PNG" pair, waits for TAG.ready, shoots that rectangle into PNG, writes TAG.done.
# Fails when a shot does not come or the driver's test does not pass.
take_shots() {  # driver filter TAG=PNG...
  local driver=$1 filter=$2 pair tag png x y w h driver_pid log
  shift 2
  log=$shots/$(basename "$driver" .exe).log
  # A tag's files from an earlier pass would hand that pass's rectangle to this one.
  for pair in "$@"; do rm -f "$shots/${pair%%=*}.ready" "$shots/${pair%%=*}.done"; done
  WINEPREFIX=$run_prefix TAVRO_SHOT_DIR="Z:${shots//\//\\}" "$TAVRO_WINE64" explorer \
    /desktop=TavroShots,1024x768 "$driver" --gtest_also_run_disabled_tests \
    --gtest_filter="$filter" </dev/null >"$log" 2>&1 &
  driver_pid=$!
  for pair in "$@"; do
    tag=${pair%%=*} png=${pair#*=}
    for _ in $(seq 600); do
      [ -s "$shots/$tag.ready" ] && break
      kill -0 $driver_pid 2>/dev/null || break
      sleep 0.1
    done
    if [ ! -s "$shots/$tag.ready" ]; then
      echo "the installer did not show '$tag'" >&2
      cat "$log" >&2
      kill $driver_pid 2>/dev/null || true
      return 1
    fi
    read -r x y w h <"$shots/$tag.ready"
    import -window root -crop "${w}x${h}+${x}+${y}" +repage "$png"
    echo "$png (${w}x${h} at $x,$y)"
    touch "$shots/$tag.done"
  done
  # The driver ends once its last dialog is cancelled; the virtual desktop may stay: the server's
  # end (the trap) takes it down.
  for _ in $(seq 300); do
    grep -q 'PASSED\|FAILED' "$log" 2>/dev/null && break
    sleep 0.1
  done
  kill $driver_pid 2>/dev/null || true
  if ! grep -q '\[  PASSED  \] 1 test' "$log"; then
    cat "$log" >&2
    return 1
  fi
}

# set_dpi DPI: the prefix's screen DPI for the processes started from now on.
set_dpi() {
  WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$run_prefix "$TAVRO_WINE64" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$1" /f </dev/null >/dev/null 2>&1
  WINEPREFIX=$run_prefix "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
}

# check_white PNG: the pixel 7 dialog units in from the main dialog's left edge, half-way down,
# lies in the dialog's margin (its controls start 10 units in) and must be white.
check_white() {
  local png=$1 w h pixel
  read -r w h < <(identify -format '%w %h\n' "$png")
  pixel=$(convert "$png" -format "%[pixel:p{$((w * 7 / 361)),$((h / 2))}]" info:)
  case "$pixel" in
    white|'srgb(255,255,255)'|'rgb(255,255,255)') echo "$png: background white" ;;
    *) echo "$png: the dialog's background is $pixel, not white" >&2; return 1 ;;
  esac
}

# The language dialog, each row, and the main dialog with a detected printer in each language:
# the driver registers a USB printer and its port in the run prefix for the shots and removes them.
dialog_shots() {  # SUFFIX
  take_shots "$language_driver" 'LanguageDialogShots.*' "cn=$out/language-dialog-cn$1.png" \
    "tw=$out/language-dialog-tw$1.png" "en=$out/language-dialog-en$1.png" || return 1
  take_shots "$main_driver" 'MainDialogShots.*' "main-cn=$out/main-dialog-cn$1.png" \
    "main-tw=$out/main-dialog-tw$1.png" "main-en=$out/main-dialog-en$1.png" || return 1
  for lang in cn tw en; do check_white "$out/main-dialog-$lang$1.png" || return 1; done
}

rc=0
set_dpi 96
dialog_shots "" || rc=1
# A completed installation: the driver installs the TR-80 in the run prefix, waits for the shot of
# the message box and removes what the installation left.
take_shots "$install_driver" 'InstallShots.*' "install-complete=$out/install-complete-en.png" || rc=1
# The network list: the driver installs the tests' port monitor with two ports and removes it again.
take_shots "$network_driver" 'NetworkShots.*' "network=$out/network-ports-en.png" || rc=1
# The same dialogs on a 150 % screen, then the prefix back at 96 DPI.
set_dpi 144
dialog_shots "-144dpi" || rc=1
exit $rc
