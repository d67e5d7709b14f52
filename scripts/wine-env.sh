# Sourced: the project's own Wine prefixes under the build folder, and one wineserver per prefix
# started with every descriptor closed, so that no pipe a test runner reads stays open.
: "${build:?}"
source "$(dirname "${BASH_SOURCE[0]}")/wine-loaders.sh"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$build/wineprefix"      # 64-bit: the 32-bit installer runs under WOW64
export TAVRO_WINEPREFIX32="$build/wineprefix32"

_wine_make_prefix() {  # prefix, arch [headless|x11]
  local prefix=$1 arch=$2 display=${3:-headless} tool
  tool=$(tavro_wine_tool)
  if [ ! -f "$prefix/.tavro-ready" ]; then
    echo "Creating the Wine prefix $prefix ($arch)"
    rm -rf "$prefix"
    WINEPREFIX=$prefix WINEARCH=$arch "$tool" wineboot -i </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    # Windows 10 (build 18362) instead of Wine's default Windows 7, like the machines we target.
    WINEPREFIX=$prefix "$tool" winecfg /v win10 </dev/null >/dev/null 2>&1 || true
    # Headless: Wine's null display driver, so dialogs open without X. The prefix of
    # scripts/run.sh keeps the X driver: it shows the real dialogs.
    if [ "$display" = headless ]; then
      WINEPREFIX=$prefix "$tool" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
        </dev/null >/dev/null 2>&1
    fi
    WINEPREFIX=$prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    touch "$prefix/.tavro-ready"
  fi
}

# Makes the prefixes once and starts the 64-bit prefix's persistent server. The 32-bit prefix
# is made only where 32-bit programs can run at all.
wine_prefix_ready() {
  mkdir -p "$build"
  _wine_make_prefix "$WINEPREFIX" win64
  _wine_no_crash_dialog "$WINEPREFIX"
  wine_spooler_autostart "$WINEPREFIX"
  if tavro_can_run_i386; then
    _wine_make_prefix "$TAVRO_WINEPREFIX32" win32
    _wine_no_crash_dialog "$TAVRO_WINEPREFIX32"
    wine_spooler_autostart "$TAVRO_WINEPREFIX32"
  fi
  wine_server_start "$WINEPREFIX"
}

# Windows starts its Print Spooler service at boot, and the installer refuses to install without
# it. Wine's spooler works inside each process, and its "Spooler" service (a stub) is a demand
# service that nothing starts: the prefixes make it automatic, as on Windows, so that Wine's
# service manager starts it with the server. Once per prefix.
wine_spooler_autostart() {  # prefix
  local prefix=$1
  [ -f "$prefix/.tavro-spooler-auto" ] && return 0
  WINEPREFIX=$prefix "$(tavro_wine_tool)" reg add 'HKLM\System\CurrentControlSet\Services\Spooler' /v Start \
    /t REG_DWORD /d 2 /f </dev/null >/dev/null 2>&1 && touch "$prefix/.tavro-spooler-auto"
  # The server that reg started started Wine's services too, without the display the run prefix
  # shows its windows on: end it, and the next program starts them anew.
  WINEPREFIX=$prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  return 0
}

# A program that crashes in a test prefix gets its backtrace printed on the caller's output and
# ends with its exception code. Wine's default crash dialog would instead keep winedbg waiting,
# with the test runner's pipe open, for a click that never comes. Once per prefix.
_wine_no_crash_dialog() {  # prefix
  local prefix=$1
  [ -f "$prefix/.tavro-nocrashdialog" ] && return 0
  WINEPREFIX=$prefix "$(tavro_wine_tool)" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog \
    /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1 && touch "$prefix/.tavro-nocrashdialog"
  return 0
}

wine_server_start() {  # prefix
  WINEPREFIX=$1 "$TAVRO_WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$1 "$(tavro_wine_tool)" cmd /c exit </dev/null >/dev/null 2>&1 || true
  # A server that was already running started its services before the prefix made the spooler
  # automatic: start it now (a running spooler only answers that it runs).
  WINEPREFIX=$1 "$(tavro_wine_tool)" net start spooler </dev/null >/dev/null 2>&1 || true
}

# Stops only the servers of our own prefixes.
wine_server_stop() {
  WINEPREFIX=$WINEPREFIX "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$TAVRO_WINEPREFIX32 "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
}

# Links the dialog fonts to Debian's fonts-wqy-microhei, so that Chinese texts are drawn in an
# English locale instead of boxes. Once per prefix; the prefix's server restarts to take it.
wine_link_cjk_font() {  # prefix
  local prefix=$1 tool face
  [ -f "$prefix/.tavro-fontlink" ] && return 0
  tool=$(tavro_wine_tool)
  for face in "Tahoma" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2"; do
    WINEPREFIX=$prefix "$tool" reg add \
      'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f /reg:64 </dev/null >/dev/null 2>&1
  done
  WINEPREFIX=$prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  touch "$prefix/.tavro-fontlink"
}
