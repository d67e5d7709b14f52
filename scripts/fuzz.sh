#!/usr/bin/env bash
# The long fuzzing run: builds the clang fuzz tree and runs every libFuzzer target for SECONDS
# each (default 600), or with --runs N until each has run N inputs (no time limit), growing the
# corpus under build/fuzz/corpus. A crash leaves its input as crash-* in the current folder and
# makes the command fail.
#   scripts/fuzz.sh [SECONDS] [--runs N] [TARGET_NAME ...]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
export TAVRO_BUILD=$build
seconds=600
runs=-1
only=()
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; seconds=0; shift ;;
    [0-9]*) seconds=$1 ;;
    *) only+=("$1") ;;
  esac
  shift
done
source "$root/scripts/fuzz-lib.sh"

bash "$root/scripts/build.sh" --fuzz || { echo "BUILD FAILED" >&2; exit 1; }
mkdir -p "$build/test-logs"
failed=0
for target in "$build"/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then continue; fi
  log=$build/test-logs/$name-long.log
  if [ "$runs" -gt 0 ]; then echo "=== $name, $runs runs"; else echo "=== $name, $seconds s"; fi
  if fuzz_one "$target" "$seconds" "$log" "$runs"; then
    grep -Eo 'Done [0-9]+ runs.*' "$log" | head -n 1
  else
    tail -n 30 "$log"
    failed=1
  fi
done
exit $failed
