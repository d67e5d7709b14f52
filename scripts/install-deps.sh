#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; quick when all are present.
set -euo pipefail

packages=(cmake ninja-build g++ clang libclang-rt-14-dev mingw-w64 wine wine32:i386 wine64 xvfb
          imagemagick fonts-wqy-microhei libcjson-dev zlib1g-dev libz-mingw-w64-dev googletest
          libgtest-dev libgmock-dev libbenchmark-dev libspdlog-dev dpkg-dev python3 fonts-wine
          osslsigncode openssl)

missing=()
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# cJSON for the MinGW tree is compiled from Debian's source package.
if ! grep -rqs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null &&
   ! grep -rqs 'Types:.*deb-src' /etc/apt/sources.list.d/*.sources 2>/dev/null; then
  # Mirror the machine's own binary entries as source entries.
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/tavroprint-src.sources
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/tavroprint-src.list
  fi
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ -n "${need_update:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  # A mirror in the middle of a sync fails one index now and then: try again, then go on with
  # the indexes that did arrive (the install below says so if a package is still missing).
  apt-get update -q || { sleep 10; apt-get update -q; } ||
    echo "warning: apt-get update failed twice; installing from the indexes at hand" >&2
fi
if [ ${#missing[@]} -gt 0 ]; then
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
