#!/usr/bin/env bash
# Checks the Authenticode signatures of one Windows build tree: the installer and every program
# in the payload it carries (the tree's payload.bin, found byte for byte inside the signed
# installer, unpacked with paypack: what is checked is what was packed), each verified by
# osslsigncode against CAFILE.
#   scripts/check-signatures.sh TREE CAFILE
# Prints "ok FILE" or "FAIL FILE" per program; exits non-zero when any is missing or unsigned.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
[ $# -eq 2 ] || { echo "usage: $0 TREE CAFILE" >&2; exit 2; }
tree=$1 ca=$2
paypack=$build/native/tools/paypack/paypack
installer=$tree/ui/win32/TavroPrintSetup.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

verify() {  # FILE LABEL
  if osslsigncode verify -CAfile "$ca" -in "$1" >"$work/verify.log" 2>&1 &&
     grep -q '^Signature verification: ok' "$work/verify.log"; then
    echo "ok $2"
  else
    echo "FAIL $2: $(grep -m1 -iE 'error|fail|no signature' "$work/verify.log")"
    failed=1
  fi
}

[ -x "$paypack" ] || { echo "FAIL no paypack at $paypack" >&2; exit 1; }
[ -f "$installer" ] || { echo "FAIL no installer at $installer" >&2; exit 1; }
verify "$installer" "$installer"
if ! python3 -c 'import sys; sys.exit(open(sys.argv[2], "rb").read() not in open(sys.argv[1], "rb").read())' \
     "$installer" "$tree/payload.bin"; then
  echo "FAIL $installer does not carry $tree/payload.bin"
  failed=1
fi
if ! "$paypack" extract "$tree/payload.bin" "$work/payload" >"$work/extract.log" 2>&1; then
  echo "FAIL paypack extract $tree/payload.bin: $(head -n1 "$work/extract.log")"
  exit 1
fi
programs=0
for file in "$work"/payload/*; do
  case "$(basename "$file")" in
    *.exe|*.dll|*.exe.x64|*.dll.x64) ;;
    *) continue ;;
  esac
  programs=$((programs + 1))
  verify "$file" "payload entry $(basename "$file")"
done
if [ $programs -eq 0 ]; then
  echo "FAIL the payload of $installer holds no programs"
  failed=1
fi
exit $failed
