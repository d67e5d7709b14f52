#!/usr/bin/env bash
# Self-test of scripts/check-imports.sh, so that it cannot pass by reading nothing: recorded
# objdump output of good and bad import tables, a build tree laid out as ours with one bad file
# at a time, and (where MinGW-w64 is installed) real PE files built to import what is forbidden.
# Exits non-zero at the first case that does not answer as expected.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
check=$root/scripts/check-imports.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# A stand-in objdump: prints the recorded dump FILE.dump, fails for a file without one.
cat >"$work/fake-objdump" <<'EOF'
#!/usr/bin/env bash
[ -f "$2.dump" ] || { echo "fake-objdump: $2: file format not recognized" >&2; exit 1; }
cat "$2.dump"
EOF
chmod +x "$work/fake-objdump"

# record FILE FORMAT DLL...: FILE with objdump -p output naming the DLLs as its imports.
record() {
  local file=$1 format=$2 dll
  shift 2
  mkdir -p "$(dirname "$file")"
  : >"$file"
  {
    printf '\n%s:     file format %s\r\n\nCharacteristics 0x102\n\nThe Import Tables (interpreted .idata section contents)\n' \
      "$(basename "$file")" "$format"
    for dll in "$@"; do
      printf '\tDLL Name: %s\r\n\tvma:  Hint/Ord Member-Name Bound-To\n\t000c1234    12  SomeFunction\n\n' "$dll"
    done
  } >"$file.dump"
}

# expect STATUS NAME [check args...]: runs the check with the stand-in; STATUS is pass or fail.
# The output is left in $work/out.
expect() {
  local want=$1 name=$2 rc
  shift 2
  TAVRO_OBJDUMP="$work/fake-objdump" bash "$check" "$@" >"$work/out" 2>&1
  rc=$?
  if { [ "$want" = pass ] && [ $rc -ne 0 ]; } || { [ "$want" = fail ] && [ $rc -ne 1 ]; }; then
    echo "FAILED: $name: expected $want, exit code $rc"
    sed 's/^/    /' "$work/out"
    failed=1
    return 1
  fi
  echo "ok: $name"
}

# expect_line NAME TEXT: the last run's output holds TEXT.
expect_line() {
  if ! grep -qF -- "$2" "$work/out"; then
    echo "FAILED: $1: no line \"$2\""
    sed 's/^/    /' "$work/out"
    failed=1
  fi
}

# The installer's real imports (MinGW-w64, static runtime) pass as a program.
good_program=(ADVAPI32.dll COMCTL32.dll GDI32.dll KERNEL32.dll msvcrt.dll ole32.dll SETUPAPI.dll
              SHELL32.dll SHLWAPI.dll USER32.dll WS2_32.dll)
record "$work/one/good.exe" pei-i386 "${good_program[@]}"
expect pass "known DLLs in a program" --program "$work/one/good.exe"
expect_line "known DLLs in a program" "ok   $work/one/good.exe (program): advapi32.dll comctl32.dll"

for dll in zlib1.dll libgcc_s_dw2-1.dll libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll \
           VCRUNTIME140.dll ucrtbase.dll; do
  record "$work/one/bad.exe" pei-i386 KERNEL32.dll "$dll" msvcrt.dll
  lower=$(tr 'A-Z' 'a-z' <<<"$dll")
  expect fail "$dll in a program" --program "$work/one/bad.exe" &&
    expect_line "$dll in a program" "FAIL $work/one/bad.exe: imports $lower, which Windows does not carry"
  expect fail "$dll in a module" --module "$work/one/bad.exe"
done

# Not known DLLs: fine for a module, a planting hole in a program (any letter case).
for dll in WINSPOOL.DRV cfgmgr32.dll VERSION.dll bthprops.cpl; do
  record "$work/one/planted.exe" pei-x86-64 KERNEL32.dll "$dll"
  lower=$(tr 'A-Z' 'a-z' <<<"$dll")
  expect fail "$dll in a program" --program "$work/one/planted.exe" &&
    expect_line "$dll in a program" "FAIL $work/one/planted.exe: imports $lower, which is not a known DLL"
  expect pass "$dll in a module" --module "$work/one/planted.exe"
done

# A DLL never heard of fails both kinds; so do a missing file and one objdump cannot read.
record "$work/one/new.dll" pei-i386 KERNEL32.dll tavrohelper.dll
expect fail "an unknown DLL in a module" --module "$work/one/new.dll" &&
  expect_line "an unknown DLL in a module" "imports tavrohelper.dll"
expect fail "a missing file" --program "$work/one/none.exe" &&
  expect_line "a missing file" "$work/one/none.exe: missing"
: >"$work/one/garbage.exe"
expect fail "a file objdump cannot read" --program "$work/one/garbage.exe" &&
  expect_line "a file objdump cannot read" "objdump cannot read it"
record "$work/one/elf" elf64-x86-64 libc.so.6
expect fail "a file that is no PE image" --program "$work/one/elf"

# A build tree laid out as ours: passes whole, then fails for each bad file put into it.
tree() {  # build
  local build=$1 arch
  rm -rf "$build"
  for arch in win32 win64; do
    record "$build/$arch/ui/win32/TavroPrintSetup.exe" pei-i386 "${good_program[@]}"
    record "$build/$arch/ui/win32/TavroPrintSetupNoPayload.exe" pei-i386 "${good_program[@]}"
    record "$build/$arch/payload_programs/tavrodrv.dll" pei-i386 KERNEL32.dll
    record "$build/$arch/payload_programs/tavromon.exe" pei-i386 KERNEL32.dll
  done
}
build=$work/build
tree "$build"
expect pass "the whole tree" "$build"
expect_line "the whole tree" "ok   $build/win64/payload_programs/tavrodrv.dll (module): kernel32.dll"

tree "$build"
record "$build/win64/ui/win32/TavroPrintSetup.exe" pei-x86-64 KERNEL32.dll zlib1.dll
expect fail "the x64 installer importing zlib" "$build" &&
  expect_line "the x64 installer importing zlib" "FAIL $build/win64/ui/win32/TavroPrintSetup.exe: imports zlib1.dll"

tree "$build"
record "$build/win32/payload_programs/tavropop.exe" pei-i386 KERNEL32.dll winspool.drv
expect fail "a payload program importing winspool" "$build" &&
  expect_line "a payload program importing winspool" "tavropop.exe: imports winspool.drv, which is not a known DLL"

tree "$build"
record "$build/win32/uninstall/Uninstaller.exe" pei-i386 KERNEL32.dll version.dll
record "$build/win64/service/TavroPrinterService.exe" pei-i386 KERNEL32.dll libstdc++-6.dll
record "$build/win32/tests/wine/Uninstaller.exe" pei-i386 KERNEL32.dll winspool.drv
expect fail "an uninstaller and a service found in the tree" "$build" &&
  expect_line "an uninstaller found in the tree" "Uninstaller.exe: imports version.dll" &&
  expect_line "a service found in the tree" "TavroPrinterService.exe: imports libstdc++-6.dll"
if grep -qF "tests/wine/Uninstaller.exe" "$work/out"; then
  echo "FAILED: a test program of that name was taken for a shipped one"; failed=1
fi

tree "$build"
rm -f "$build/win32/ui/win32/TavroPrintSetup.exe"*
expect fail "a tree without its installer" "$build" &&
  expect_line "a tree without its installer" "$build/win32/ui/win32/TavroPrintSetup.exe: missing"

tree "$build"
rm -f "$build/win64/payload_programs/"*
expect fail "a tree without payload programs" "$build" &&
  expect_line "a tree without payload programs" "$build/win64/payload_programs: no payload programs"

# Real PE files and the real objdump, where MinGW-w64 is installed.
if command -v i686-w64-mingw32-gcc >/dev/null 2>&1; then
  cat >"$work/probe.c" <<'EOF'
#include <windows.h>
#include <winspool.h>
#include <zlib.h>
int main(int argc, char** argv) {
  (void)argv;
  if (argc > 99) { ClosePrinter(NULL); return (int)zlibVersion()[0]; }
  return 0;
}
EOF
  # zlib through its import library, the spooler imported: both must be named.
  if i686-w64-mingw32-gcc -o "$work/dynamic.exe" "$work/probe.c" -lz -lwinspool 2>"$work/cc.log"; then
    bash "$check" --program "$work/dynamic.exe" >"$work/out" 2>&1
    if [ $? -ne 1 ]; then echo "FAILED: a real PE importing zlib1.dll passed"; failed=1; fi
    expect_line "a real PE importing zlib" "imports zlib1.dll, which Windows does not carry"
    expect_line "a real PE importing the spooler" "imports winspool.drv, which is not a known DLL"
    # The same program with zlib and the runtime linked in passes as a module.
    i686-w64-mingw32-gcc -static -o "$work/static.exe" "$work/probe.c" -l:libz.a -lwinspool 2>>"$work/cc.log"
    bash "$check" --module "$work/static.exe" >"$work/out" 2>&1 ||
      { echo "FAILED: a static real PE did not pass as a module"; cat "$work/out"; failed=1; }
    echo "ok: real PE files"
  else
    echo "FAILED: cannot build the probe program"; cat "$work/cc.log"; failed=1
  fi
else
  echo "skipped: real PE files (no MinGW-w64 here)"
fi

if [ $failed -ne 0 ]; then
  echo "check-imports self-test: FAILED"
  exit 1
fi
echo "check-imports self-test: passed"
