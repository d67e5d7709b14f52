# Sourced: the project's own Wine prefixes under the build folder, and one wineserver per prefix
# started with every descriptor closed, so that no pipe a test runner reads stays open.
: "${build:?}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$build/wineprefix"      # 64-bit: the 32-bit installer runs under WOW64
export TAVRO_WINEPREFIX32="$build/wineprefix32"

# Some kernels run 64-bit user code only (IA-32 emulation off): Wine's 32-bit loader, and with
# it every 32-bit Windows program and the 32-bit prefix, cannot start there. The 64-bit loader
# still runs x64 programs in the 64-bit prefix.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export TAVRO_HOST_RUNS_32BIT=1 TAVRO_WINE=wine
else
  export TAVRO_HOST_RUNS_32BIT=0 TAVRO_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
fi

# Runs a Wine program in a prefix with every descriptor redirected: wine_quiet PREFIX ARGS...
wine_quiet() {
  local prefix=$1; shift
  WINEPREFIX=$prefix "$TAVRO_WINE" "$@" </dev/null >/dev/null 2>&1
}

_wine_make_prefix() {  # prefix, arch [headless|x11]
  local prefix=$1 arch=$2
  if [ ! -f "$prefix/.tavro-ready" ]; then
    rm -rf "$prefix"
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEARCH=$arch wine_quiet "$prefix" wineboot -i || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
    if [ ! -f "$prefix/system.reg" ]; then
      echo "wine-env: could not create the Wine prefix $prefix" >&2
      return 1
    fi
    # Windows 10 (build 18362) instead of Wine's default Windows 7, like the machines we target.
    wine_quiet "$prefix" winecfg /v win10 || true
    # Headless: Wine's null display driver, so dialogs open without X. scripts/run.sh, which
    # shows the real dialogs, runs in a prefix of its own without this value.
    if [ "${3:-headless}" = headless ]; then
      wine_quiet "$prefix" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f || true
    fi
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$prefix/.tavro-ready"
  fi
}

# Makes both prefixes once (the 32-bit one only where 32-bit code runs) and starts the 64-bit
# prefix's persistent server.
wine_prefix_ready() {
  mkdir -p "$build"
  _wine_make_prefix "$WINEPREFIX" win64
  if [ "$TAVRO_HOST_RUNS_32BIT" = 1 ]; then
    _wine_make_prefix "$TAVRO_WINEPREFIX32" win32
  fi
  wine_server_start "$WINEPREFIX"
}

wine_server_start() {  # prefix
  WINEPREFIX=$1 wineserver -p </dev/null >/dev/null 2>&1 || true
  wine_quiet "$1" cmd /c exit || true
}

# Stops only the servers of our own prefixes.
wine_server_stop() {
  local p
  for p in "$WINEPREFIX" "$TAVRO_WINEPREFIX32" "$build/wineprefix-run"; do
    [ -d "$p" ] && { WINEPREFIX=$p wineserver -k </dev/null >/dev/null 2>&1 || true; }
  done
  return 0
}
