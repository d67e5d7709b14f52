# Sourced after wine-env.sh: the Wine prefix the run command starts the installer in, made the
# same way for scripts/run.sh and for the test command's check that every catalog model installs
# there ("Installation complete.").
#
# Where the kernel runs 32-bit programs the prefix is a 32-bit Windows (WINEARCH win32) and the
# i686 installer runs in it: a 32-bit installer that is not under WOW64 registers its driver for
# "Windows NT x86" (the 32-bit host path), which is where Wine's in-process spooler of a 32-bit
# process looks, so nothing in the prefix is prepared for the installer.
#
# Elsewhere the prefix is 64-bit and the x64 build of the installer runs. That build is not under
# WOW64 either and also takes the 32-bit host path, but Wine's spooler inside a 64-bit process
# looks drivers up under "Windows x64" only (Windows' spooler service finds a driver registered
# for the machine's environment). The prefix is then prepared as the tests prepare theirs: every
# catalog model's driver name is registered for "Windows x64" beforehand, so that AddPrinterW
# finds it. A second installation of a model (a "(copy N)" name) is not covered there.
: "${root:?}"

# i686 or x86_64: the installer build the run prefix runs. TAVRO_RUN_ARCH=x86_64 chooses the x64
# build where both could run (to check that path on such a machine).
tavro_run_arch() {
  if [ -n "${TAVRO_RUN_ARCH:-}" ]; then echo "$TAVRO_RUN_ARCH"
  elif tavro_can_run_i386; then echo i686
  else echo x86_64; fi
}

# The installer the run prefix runs, for `arch`.
tavro_run_installer() {  # build, arch
  if [ "$2" = i686 ]; then echo "$1/win32/ui/win32/TavroPrintSetup.exe"; else echo "$1/win64/ui/win32/TavroPrintSetup.exe"; fi
}

# Makes PREFIX once: Wine's X driver (the real dialogs), the spooler started like Windows' service,
# the dialog fonts linked to the CJK font; for x86_64 also the catalog's driver names.
tavro_run_prefix_prepare() {  # prefix, arch
  local prefix=$1 arch=$2 winearch=win32 model
  [ "$arch" = x86_64 ] && winearch=win64
  _wine_make_prefix "$prefix" "$winearch" x11
  wine_spooler_autostart "$prefix"
  wine_link_cjk_font "$prefix"
  if [ "$arch" = x86_64 ] && [ ! -f "$prefix/.tavro-run-drivers" ]; then
    while IFS= read -r model; do
      WINEPREFIX=$prefix "$TAVRO_WINE64" reg add \
        "HKLM\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows x64\\Drivers\\Version-3\\$model Driver" \
        /v Driver /d "${model}Drv.dll" /f </dev/null >/dev/null 2>&1
    done < <(python3 -c 'import json,sys; [print(m["MODEL"]) for m in json.load(open(sys.argv[1], encoding="utf-8"))]' \
               "$root/data/Modules.json")
    WINEPREFIX=$prefix "$TAVRO_WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix "$TAVRO_WINESERVER" -w </dev/null >/dev/null 2>&1 || true
    touch "$prefix/.tavro-run-drivers"
  fi
}
