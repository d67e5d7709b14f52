#!/usr/bin/env bash
# The signing test of the test command, in two steps around the build:
#   scripts/sign-test.sh --options   makes (once, or when it is about to expire) a throwaway
#                                    self-signed code-signing certificate under build/test-signing
#                                    and prints the CMake options that sign the build with it, one
#                                    a line, for scripts/build.sh
#   scripts/sign-test.sh --check     checks the signed trees: the installer of each Windows tree and
#                                    every program in the payload it carries verify against that
#                                    certificate (scripts/check-signatures.sh), and do not against
#                                    another certificate; a copy of the installer whose signature
#                                    was removed does not verify either
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
dir=$build/test-signing

make_cert() {  # NAME: a certificate for code signing, valid for 30 days
  if [ -s "$dir/$1.pem" ] && openssl x509 -checkend 86400 -noout -in "$dir/$1.pem" >/dev/null 2>&1; then
    return 0
  fi
  openssl req -x509 -newkey rsa:2048 -nodes -days 30 -keyout "$dir/$1-key.pem" -out "$dir/$1.pem" \
    -subj "/CN=TavroPrint throwaway $1" -addext "extendedKeyUsage=codeSigning" \
    -addext "keyUsage=digitalSignature" >/dev/null 2>&1
}

case "${1:-}" in
  --options)
    mkdir -p "$dir"
    make_cert signer
    make_cert stranger
    echo "-DTAVRO_SIGN_CERT=$dir/signer.pem"
    echo "-DTAVRO_SIGN_KEY=$dir/signer-key.pem"
    ;;
  --check)
    status=0
    for tree in "$build/win32" "$build/win64"; do
      echo "--- $tree, against the certificate that signed it"
      bash "$root/scripts/check-signatures.sh" "$tree" "$dir/signer.pem" || status=1
      # Against another certificate not one file may verify.
      if bash "$root/scripts/check-signatures.sh" "$tree" "$dir/stranger.pem" | grep '^ok'; then
        echo "FAIL $tree: the files above verify against a certificate that did not sign them"
        status=1
      else
        echo "ok $tree: no file verifies against another certificate"
      fi
    done
    echo "--- the installer with its signature removed (must fail)"
    copy=$(mktemp --suffix=.exe)
    trap 'rm -f "$copy"' EXIT
    rm -f "$copy"
    osslsigncode remove-signature -in "$build/win32/ui/win32/TavroPrintSetup.exe" -out "$copy" >/dev/null
    if osslsigncode verify -CAfile "$dir/signer.pem" -in "$copy" >/dev/null 2>&1; then
      echo "FAIL an installer without its signature verifies"
      status=1
    else
      echo "ok unsigned copy refused"
    fi
    exit $status
    ;;
  *) echo "usage: $0 --options|--check" >&2; exit 2 ;;
esac
