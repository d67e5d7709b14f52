#!/usr/bin/env bash
# The signing test of the test command: a throwaway self-signed certificate signs separate Windows
# trees under build/signed (made once, then rebuilt only where sources changed): the x64 payload
# programs (signed/win64, target payload_programs) and the x86 ones, the payload that packs both
# and the installer that carries it (signed/win32, target TavroPrintSetup). Then the installer
# and every program in its payload must verify against that certificate, and must not against
# another one; the unsigned installer of the main tree must not verify either.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
dir=$build/signed
jobs=$(nproc)
mkdir -p "$dir"

# A certificate for code signing, valid for two days, and a second one that signed nothing.
make_cert() {  # NAME
  [ -s "$dir/$1.pem" ] && openssl x509 -checkend 3600 -noout -in "$dir/$1.pem" >/dev/null 2>&1 && return 0
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout "$dir/$1-key.pem" -out "$dir/$1.pem" \
    -subj "/CN=TavroPrint throwaway $1" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" >/dev/null 2>&1
}
make_cert signer
make_cert stranger

tree() {  # DIR ARCH: configures a Windows tree signing with the throwaway certificate
  [ -f "$1/build.ninja" ] && return 0
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTAVRO_CJSON_SOURCE="$build/third_party/cjson" \
    -DTAVRO_NATIVE_BUILD="$build/native" -DTAVRO_WIN32_BUILD="$dir/win32" -DTAVRO_WIN64_BUILD="$dir/win64" \
    -DTAVRO_SIGN_CERT="$dir/signer.pem" -DTAVRO_SIGN_KEY="$dir/signer-key.pem" >/dev/null
}
tree "$dir/win64" x86_64
cmake --build "$dir/win64" -j "$jobs" --target payload_programs >/dev/null
tree "$dir/win32" i686
cmake --build "$dir/win32" -j "$jobs" --target TavroPrintSetup >/dev/null

status=0
echo "--- signed with the throwaway certificate"
bash "$root/scripts/check-signatures.sh" "$dir/win32" "$dir/signer.pem" || status=1
echo "--- checked against another certificate (must fail)"
if bash "$root/scripts/check-signatures.sh" "$dir/win32" "$dir/stranger.pem"; then
  echo "FAIL the signatures verify against a certificate that did not sign them"
  status=1
fi
if [ -f "$build/win32/ui/win32/TavroPrintSetup.exe" ] && ! grep -q '^-DTAVRO_SIGN_CERT=.' "$build/win32/tavro-configure.args" 2>/dev/null; then
  echo "--- the unsigned installer of the main tree (must fail)"
  if bash "$root/scripts/check-signatures.sh" "$build/win32" "$dir/signer.pem"; then
    echo "FAIL an unsigned installer verifies"
    status=1
  fi
fi
exit $status
