# Sourced by the test command and the fuzz command: runs one libFuzzer target of the fuzz tree.
# fuzz_one TARGET SECONDS LOG [RUNS]: from the target's own corpus under build/fuzz/corpus, seeded
# by the committed fuzz/corpus/<name> when there is one, for SECONDS (0: no time limit) or until
# RUNS inputs have run, whichever comes first; non-zero when the target found a crash.
fuzz_one() {
  local target=$1 seconds=$2 log=$3 runs=${4:--1}
  local name corpus seeds=()
  name=$(basename "$target")
  corpus=$build/fuzz/corpus/$name
  mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$name" ] && seeds=("$root/fuzz/corpus/$name")
  "$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$corpus" "${seeds[@]}" \
    >"$log" 2>&1
}
