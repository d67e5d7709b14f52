#!/usr/bin/env bash
# Builds every tree: native (logic, tests, benchmarks, paypack), win64 (x64 payload programs),
# win32 (the installer and the Windows tests), and, with --fuzz, the clang fuzzing tree.
# Installs what is missing first; a second run only rebuilds what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
jobs=$(nproc)
fuzz=0
for arg in "$@"; do
  case "$arg" in
    --fuzz) fuzz=1 ;;
    *) echo "usage: $0 [--fuzz]" >&2; exit 2 ;;
  esac
done

bash "$root/scripts/install-deps.sh"
source "$root/scripts/wine-env.sh"

# cJSON for MinGW: Debian's source package, unpacked once.
third=$build/third_party
if [ ! -f "$third/cjson/cJSON.c" ]; then
  mkdir -p "$third"
  rm -rf "$third"/cjson*
  (cd "$third" && apt-get source -q cjson >/dev/null 2>&1 || { apt-get update -q && apt-get source -q cjson; })
  src=$(find "$third" -maxdepth 1 -type d -name 'cjson-*' | head -n 1)
  mv "$src" "$third/cjson"
fi

configure() {  # dir, extra cmake arguments
  local dir=$1; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
  fi
}

configure "$build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build/native" -j "$jobs"

win_tree() {  # dir, toolchain arch
  configure "$1" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2-w64-mingw32.cmake" \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DTAVRO_CJSON_SOURCE="$third/cjson" -DTAVRO_WINEPREFIX="$WINEPREFIX" \
    -DTAVRO_NATIVE_BUILD="$build/native" -DTAVRO_WIN32_BUILD="$build/win32" -DTAVRO_WIN64_BUILD="$build/win64"
}

wine_prefix_ready
# The x64 payload programs first: the win32 tree packs both architectures into the payload.
win_tree "$build/win64" x86_64
cmake --build "$build/win64" -j "$jobs" --target payload_programs
win_tree "$build/win32" i686
cmake --build "$build/win32" -j "$jobs"
# Then the same installer and Windows tests for x64, which run where 32-bit programs cannot.
cmake --build "$build/win64" -j "$jobs"

if [ "$fuzz" = 1 ]; then
  configure "$build/fuzz" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DTAVRO_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build/fuzz" -j "$jobs"
fi
