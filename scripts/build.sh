#!/usr/bin/env bash
# Builds every tree: native (logic, tests, benchmarks, paypack), win64 (x64 payload programs),
# win32 (the installer and the Windows tests), and, with --fuzz, the clang fuzzing tree.
# Installs what is missing first; a second run only rebuilds what changed.
#   scripts/build.sh [--fuzz] [-DNAME=VALUE ...]
# CMake options go to every tree (e.g. -DTAVRO_PAYLOAD=/path, -DTAVRO_SIGN_CERT=cert.pem
# -DTAVRO_SIGN_KEY=key.pem); a value naming an existing relative path is made absolute. The
# options of a run are the trees' options: a tree whose options differ from its last
# configuration is configured again, and an option given last time but not now returns to its
# default.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
jobs=$(nproc)
fuzz=0
user_options=()
for arg in "$@"; do
  case "$arg" in
    --fuzz) fuzz=1 ;;
    -D?*=*)
      name=${arg%%=*} value=${arg#*=}
      if [ -n "$value" ] && [ "${value#/}" = "$value" ] && [ -e "$value" ]; then
        value=$(realpath "$value")
      fi
      user_options+=("$name=$value") ;;
    *) echo "usage: $0 [--fuzz] [-DNAME=VALUE ...]" >&2; exit 2 ;;
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

# configure DIR ARGS...: runs cmake when the tree is new or its arguments (with the user's
# options) differ from those it was last configured with (kept in DIR/tavro-configure.args).
configure() {
  local dir=$1; shift
  local args=("$@" "${user_options[@]}") stamp=$dir/tavro-configure.args
  local wanted old arg unset=()
  wanted=$(printf '%s\n' "${args[@]}")
  if [ -f "$dir/build.ninja" ] && [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$wanted" ]; then
    return 0
  fi
  # An option of the last configuration that this run leaves out goes back to its default.
  if [ -f "$stamp" ]; then
    while IFS= read -r old; do
      case "$old" in -D*=*) ;; *) continue ;; esac
      old=${old%%=*}; old=${old#-D}; old=${old%%:*}
      for arg in "${args[@]}"; do
        case "$arg" in "-D$old="*|"-D$old:"*) continue 2 ;; esac
      done
      unset+=(-U "$old")
    done <"$stamp"
  fi
  rm -f "$stamp"
  cmake -S "$root" -B "$dir" -G Ninja "${unset[@]}" "${args[@]}" >/dev/null
  printf '%s\n' "${args[@]}" >"$stamp"
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
