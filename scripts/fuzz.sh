#!/usr/bin/env bash
# The long fuzzing run: builds the clang fuzz tree and runs every libFuzzer target for SECONDS
# each (default 600), growing the corpus under build/fuzz/corpus. A crash leaves its input as
# crash-* in the current folder and makes the command fail.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
export TAVRO_BUILD=$build
seconds=${1:-600}
source "$root/scripts/fuzz-lib.sh"

bash "$root/scripts/build.sh" --fuzz || { echo "BUILD FAILED" >&2; exit 1; }
mkdir -p "$build/test-logs"
failed=0
for target in "$build"/fuzz/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  log=$build/test-logs/$name-long.log
  echo "=== $name, $seconds s"
  if fuzz_one "$target" "$seconds" "$log"; then
    grep -Eo 'Done [0-9]+ runs.*' "$log" | head -n 1
  else
    tail -n 30 "$log"
    failed=1
  fi
done
exit $failed
