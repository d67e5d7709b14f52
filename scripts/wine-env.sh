# Sourced: the project's own Wine prefixes under the build folder, and one wineserver per prefix
# started with every descriptor closed, so that no pipe a test runner reads stays open.
: "${build:?}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX="$build/wineprefix"      # 64-bit: the 32-bit installer runs under WOW64
export TAVRO_WINEPREFIX32="$build/wineprefix32"

_wine_make_prefix() {  # prefix, arch
  local prefix=$1 arch=$2
  if [ ! -f "$prefix/.tavro-ready" ]; then
    rm -rf "$prefix"
    WINEPREFIX=$prefix WINEARCH=$arch wineboot -i </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
    # Headless: Wine's null display driver, so dialogs open without X.
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f \
      </dev/null >/dev/null 2>&1
    WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w </dev/null >/dev/null 2>&1 || true
    touch "$prefix/.tavro-ready"
  fi
}

# Makes both prefixes once and starts the 64-bit prefix's persistent server.
wine_prefix_ready() {
  mkdir -p "$build"
  _wine_make_prefix "$WINEPREFIX" win64
  _wine_make_prefix "$TAVRO_WINEPREFIX32" win32
  wine_server_start "$WINEPREFIX"
}

wine_server_start() {  # prefix
  WINEPREFIX=$1 wineserver -p </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$1 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Stops only the servers of our own prefixes.
wine_server_stop() {
  WINEPREFIX=$WINEPREFIX wineserver -k </dev/null >/dev/null 2>&1 || true
  WINEPREFIX=$TAVRO_WINEPREFIX32 wineserver -k </dev/null >/dev/null 2>&1 || true
}
