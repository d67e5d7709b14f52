#!/usr/bin/env bash
# The import tables of the PE files we ship, read with objdump -p:
#   check-imports.sh [BUILD]              the shipped files of BUILD/win32 and BUILD/win64
#   check-imports.sh --program FILE ...   files checked as programs
#   check-imports.sh --module FILE ...    files checked as modules (both may be mixed)
# A program (the installer, the uninstaller, the service, the payload's EXEs) is started from
# wherever it lies, so it may import only DLLs that Windows loads from the system folder whatever
# lies beside it (its known DLLs), plus comctl32 through the manifest. A module (a payload DLL,
# loaded by the spooler from the driver folder) may import any DLL that every Windows 7 to 11
# carries. Neither may import a DLL that Windows lacks: zlib1.dll, a MinGW or Visual C++ runtime.
# Prints one line per file and one per offending DLL ("FAIL <file>: imports <dll> ..."); exits 1
# when any file fails or is missing. TAVRO_OBJDUMP names the objdump to use.
set -uo pipefail

known_dlls="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll shlwapi.dll ole32.dll
  oleaut32.dll setupapi.dll ws2_32.dll msvcrt.dll comdlg32.dll imm32.dll rpcrt4.dll comctl32.dll"
# What every Windows 7 to 11 has besides them (not known DLLs: only for modules).
windows_dlls="$known_dlls ntdll.dll winspool.drv cfgmgr32.dll version.dll bthprops.cpl
  mpr.dll netapi32.dll crypt32.dll wintrust.dll userenv.dll uxtheme.dll"

objdump_tool() {
  if [ -n "${TAVRO_OBJDUMP:-}" ]; then echo "$TAVRO_OBJDUMP"; return; fi
  local tool
  for tool in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump objdump; do
    command -v "$tool" >/dev/null 2>&1 && { echo "$tool"; return; }
  done
  echo objdump
}
objdump=$(objdump_tool)

in_list() {  # word, list
  local item
  for item in $2; do [ "$item" = "$1" ] && return 0; done
  return 1
}

failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# check_file KIND FILE: KIND is program or module.
check_file() {
  local kind=$1 file=$2 dump dlls dll bad=0
  if [ ! -f "$file" ]; then
    fail "$file: missing (not built?)"
    return
  fi
  if ! dump=$("$objdump" -p "$file" 2>&1); then
    fail "$file: objdump cannot read it: $(echo "$dump" | head -n 1)"
    return
  fi
  if ! grep -q 'file format pei-' <<<"$dump"; then
    fail "$file: not a PE image"
    return
  fi
  dlls=$(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' <<<"$dump" | tr -d '\r' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $dlls; do
    if ! in_list "$dll" "$windows_dlls"; then
      fail "$file: imports $dll, which Windows does not carry (link it statically)"
      bad=1
    elif [ "$kind" = program ] && ! in_list "$dll" "$known_dlls"; then
      fail "$file: imports $dll, which is not a known DLL: a $dll beside the program would load" \
           "first (resolve it at run time from the system folder)"
      bad=1
    fi
  done
  [ $bad = 0 ] && echo "ok   $file ($kind): $(echo $dlls)"
}

# The shipped files of one Windows tree: the installers are required, the uninstaller and the
# service are checked wherever the tree builds them.
check_tree() {  # tree
  local tree=$1 file found
  check_file program "$tree/ui/win32/TavroPrintSetup.exe"
  [ -f "$tree/ui/win32/TavroPrintSetupNoPayload.exe" ] &&
    check_file program "$tree/ui/win32/TavroPrintSetupNoPayload.exe"
  while IFS= read -r file; do
    check_file program "$file"
  done < <(find "$tree" -path "$tree/tests" -prune -o -type f \
             \( -name Uninstaller.exe -o -name TavroPrinterService.exe \) -print 2>/dev/null | sort)
  found=0
  for file in "$tree"/payload_programs/*.exe "$tree"/payload_programs/*.dll; do
    [ -f "$file" ] || continue
    found=1
    case "$file" in
      *.exe) check_file program "$file" ;;
      *) check_file module "$file" ;;
    esac
  done
  [ $found = 1 ] || fail "$tree/payload_programs: no payload programs (not built?)"
}

if [ $# -gt 0 ] && [ "${1#--}" != "$1" ]; then
  kind=
  for arg in "$@"; do
    case "$arg" in
      --program) kind=program ;;
      --module) kind=module ;;
      *)
        if [ -z "$kind" ]; then echo "usage: $0 [BUILD] | --program FILE... --module FILE..." >&2; exit 2; fi
        check_file "$kind" "$arg" ;;
    esac
  done
else
  root=$(cd "$(dirname "$0")/.." && pwd)
  build=${1:-${TAVRO_BUILD:-$root/build}}
  check_tree "$build/win32"
  check_tree "$build/win64"
fi

if [ $failures -gt 0 ]; then
  echo "import check: $failures failure(s)"
  exit 1
fi
echo "import check: every file imports only what Windows provides"
