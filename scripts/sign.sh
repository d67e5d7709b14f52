#!/usr/bin/env bash
# Builds the installer signed with the vendor's own certificate: the payload programs of both
# architectures are signed before they are packed, then the installer that carries them. Checks
# the signatures at the end (scripts/check-signatures.sh) and says where the signed installers are.
#   scripts/sign.sh CERT KEY [--password-file FILE] [--timestamp URL] [-DNAME=VALUE ...]
#   scripts/sign.sh PKCS12 [--password-file FILE] [--timestamp URL] [-DNAME=VALUE ...]
# CERT: the certificate chain (PEM or DER, the signing certificate first); KEY: its private key
# (PEM or DER). PKCS12: a .p12 or .pfx file holding both. FILE: the password of the key or
# PKCS#12 file, if it has one. URL: an RFC 3161 time-stamping service (without one the signature
# carries no time stamp and lapses with the certificate). Other -D options go to the build.
# The trees stay configured for signing until scripts/build.sh runs without these options.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
usage() { sed -n '5,6p' "$0" | sed 's/^#  */usage: /' >&2; exit 2; }

files=() options=()
while [ $# -gt 0 ]; do
  case "$1" in
    --password-file) [ $# -ge 2 ] || usage; options+=("-DTAVRO_SIGN_PASSWORD_FILE=$(realpath "$2")"); shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; options+=("-DTAVRO_SIGN_TIMESTAMP_URL=$2"); shift 2 ;;
    -D?*=*) options+=("$1"); shift ;;
    -*) usage ;;
    *) files+=("$1"); shift ;;
  esac
done
case ${#files[@]} in
  1) case "${files[0]}" in *.p12|*.P12|*.pfx|*.PFX) ;; *) echo "a certificate file needs its KEY" >&2; usage ;; esac ;;
  2) ;;
  *) usage ;;
esac
for f in "${files[@]}"; do
  [ -f "$f" ] || { echo "no such file: $f" >&2; exit 1; }
done
cert=$(realpath "${files[0]}")
key=""
[ ${#files[@]} -eq 2 ] && key=$(realpath "${files[1]}")

bash "$root/scripts/build.sh" "-DTAVRO_SIGN_CERT=$cert" "-DTAVRO_SIGN_KEY=$key" "${options[@]}"

# A certificate from a public code-signing CA chains to the system's roots; a self-signed or
# company CA certificate is its own trust anchor here.
ca=/etc/ssl/certs/ca-certificates.crt
chain=$(mktemp)
trap 'rm -f "$chain"' EXIT
if [ -z "$key" ]; then
  pass_args=(-passin pass:)
  for o in "${options[@]}"; do
    case "$o" in -DTAVRO_SIGN_PASSWORD_FILE=*) pass_args=(-passin "file:${o#*=}") ;; esac
  done
  openssl pkcs12 -in "$cert" -nokeys "${pass_args[@]}" -out "$chain" 2>/dev/null || true
else
  if grep -q 'BEGIN CERTIFICATE' "$cert"; then
    cat "$cert" >"$chain"
  else
    openssl x509 -inform DER -in "$cert" -out "$chain" 2>/dev/null || true
  fi
fi
cat "$ca" >>"$chain" 2>/dev/null || true
status=0
for tree in "$build/win32" "$build/win64"; do
  echo "== $tree"
  bash "$root/scripts/check-signatures.sh" "$tree" "$chain" || status=1
done
echo "signed installers: $build/win32/ui/win32/TavroPrintSetup.exe (x86), $build/win64/ui/win32/TavroPrintSetup.exe (x64)"
exit $status
