#!/usr/bin/env bash
# The test command: installs what is missing, builds every tree (its programs signed with a
# throwaway certificate), then checks the import tables and the signatures of the shipped PE
# files and runs the native tests, the Windows tests under Wine (64-bit prefix; the
# i686 builds also in the 32-bit prefix where this machine runs 32-bit programs), each fuzz
# target briefly and each benchmark once. Prints a summary and exits non-zero when anything
# failed. Stops our own wineservers on the way out.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TAVRO_BUILD:-$root/build}
export TAVRO_BUILD=$build
logs=$build/test-logs
start=$(date +%s)

results=()   # "STATUS|step|detail"
failed=0
note() { results+=("$1|$2|$3"); [ "$1" = FAIL ] && failed=1; return 0; }

bash "$root/scripts/install-deps.sh" || { echo "installing the dependencies failed" >&2; exit 1; }

source "$root/scripts/wine-env.sh"
source "$root/scripts/fuzz-lib.sh"
trap wine_server_stop EXIT

fuzz_flag=()
compgen -G "$root/fuzz/*_fuzz.cpp" >/dev/null && fuzz_flag=(--fuzz)
# The build is signed with a throwaway certificate (scripts/sign-test.sh), checked below.
mapfile -t sign_options < <(bash "$root/scripts/sign-test.sh" --options)
if [ ${#sign_options[@]} -ne 2 ]; then
  echo "cannot make the throwaway signing certificate" >&2
  exit 1
fi
if ! bash "$root/scripts/build.sh" "${fuzz_flag[@]}" "${sign_options[@]}"; then
  echo "BUILD FAILED" >&2
  exit 1
fi
mkdir -p "$logs"
wine_prefix_ready   # the persistent server of the 64-bit prefix, descriptors closed

# run_ctest STEP TREE LOG [ctest args...]: one ctest run, summarised from its own counts.
run_ctest() {
  local step=$1 tree=$2 log=$3; shift 3
  if [ ! -f "$tree/CTestTestfile.cmake" ]; then
    note SKIP "$step" "no tests in $tree"
    return
  fi
  echo "=== $step"
  (cd "$tree" && ctest --output-on-failure --timeout 900 "$@") >"$log" 2>&1
  local rc=$?
  local total passed skipped
  total=$(grep -Eo 'tests passed, [0-9]+ tests failed out of [0-9]+' "$log" | grep -Eo '[0-9]+$' | tail -n1)
  passed=$(grep -Eo '[0-9]+% tests passed' "$log" | tail -n1)
  skipped=$(grep -c '\*\*\*Skipped\|Not Run' "$log" || true)
  grep -E 'Test +#|tests passed|FAILED|Failed' "$log" | tail -n 40
  if [ -z "$total" ] && grep -q 'No tests were found' "$log"; then
    note SKIP "$step" "no tests"
  elif [ $rc -ne 0 ]; then
    note FAIL "$step" "$passed of ${total:-?}; see $log"
  elif [ "${skipped:-0}" -gt 0 ] && [ "${skipped}" -ge "${total:-0}" ]; then
    local why="not runnable here"
    tavro_can_run_i386 || why="this kernel cannot run 32-bit programs"
    note SKIP "$step" "all ${total} skipped: $why"
  elif [ "${skipped:-0}" -gt 0 ]; then
    note PASS "$step" "${total:-0} tests, $skipped of them skipped"
  else
    note PASS "$step" "${total:-0} tests"
  fi
}

# The import tables of every shipped PE file: only DLLs Windows has, and for programs only its
# known DLLs (scripts/check-imports.sh); its self-test first, so that it cannot pass blind.
echo "=== import tables"
if bash "$root/scripts/check-imports-test.sh" >"$logs/check-imports-test.log" 2>&1; then
  note PASS "import check self-test" "$(grep -c '^ok' "$logs/check-imports-test.log") cases"
else
  grep -E 'FAILED' -A 8 "$logs/check-imports-test.log" | head -n 40
  note FAIL "import check self-test" "see $logs/check-imports-test.log"
fi
if bash "$root/scripts/check-imports.sh" "$build" >"$logs/check-imports.log" 2>&1; then
  note PASS "import tables of the shipped PE files" "$(grep -c '^ok' "$logs/check-imports.log") files"
else
  grep -E '^FAIL' "$logs/check-imports.log"
  note FAIL "import tables of the shipped PE files" "see $logs/check-imports.log"
fi

# Signing: the installers and the programs packed into their payloads carry valid signatures of
# the throwaway certificate, and only of it (scripts/sign-test.sh).
echo "=== signatures"
if bash "$root/scripts/sign-test.sh" --check >"$logs/signatures.log" 2>&1; then
  note PASS "signed installer and payload programs" "$(grep -c '^ok' "$logs/signatures.log") signatures verified"
else
  tail -n 20 "$logs/signatures.log"
  note FAIL "signed installer and payload programs" "see $logs/signatures.log"
fi

run_ctest "native tests (simulated machine, ASan/UBSan/TSan)" "$build/native" "$logs/native.log" -j 2
run_ctest "Windows tests, i686, 64-bit prefix (WOW64)" "$build/win32" "$logs/win32-wow64.log"
run_ctest "Windows tests, x64, 64-bit prefix" "$build/win64" "$logs/win64.log"
if tavro_can_run_i386; then
  wine_server_start "$TAVRO_WINEPREFIX32"
  TAVRO_TEST_WINEPREFIX=$TAVRO_WINEPREFIX32 \
    run_ctest "Windows tests, i686, 32-bit prefix" "$build/win32" "$logs/win32-prefix32.log"
else
  note SKIP "Windows tests, i686, 32-bit prefix" "this kernel cannot run 32-bit programs"
fi

# The run command's promise: in a prefix made as scripts/run.sh makes its own, every catalog model
# installs on COM1 through the real installer and ends with "Installation complete.".
echo "=== run prefix: every catalog model on COM1"
if bash "$root/scripts/run-check.sh" >"$logs/run-check.log" 2>&1; then
  note PASS "run prefix: every catalog model on COM1" "$(grep -m1 '^Every catalog model' "$logs/run-check.log")"
else
  grep -E '^\[ |Failure|Expected|Which is|not built' "$logs/run-check.log" | tail -n 30
  note FAIL "run prefix: every catalog model on COM1" "see $logs/run-check.log"
fi

# The benchmarks under Wine: figures and their ratios only, each alternating the installer and its
# reference in one run. wine_install_bench: Install to the outcome's message box beside the bare
# spooler calls of the same installation (tests/wine/install_bench.cpp); wine_startup_bench: the
# start to the first dialog beside a program that only shows a dialog (tests/wine/startup_bench.cpp).
if tavro_can_run_i386; then
  bench_tree=$build/win32 bench_arch=i686 bench_prefix=$TAVRO_WINEPREFIX32
else
  bench_tree=$build/win64 bench_arch=x86_64 bench_prefix=$WINEPREFIX
fi
run_bench() {  # name
  local log=$logs/$1.log
  echo "=== benchmark $1"
  if "$root/scripts/wine-run.sh" "$bench_arch" "$bench_prefix" "$bench_tree/tests/wine/$1.exe" \
       --gtest_color=no >"$log" 2>&1; then
    grep -E '^(round|median|ratio|where|  )' "$log"
    note PASS "benchmark $1" "$(grep -m1 '^ratio' "$log")"
  else
    grep -E '^\[ |Failure|Expected|Which is' "$log" | tail -n 20
    note FAIL "benchmark $1" "see $log"
  fi
}
run_bench wine_install_bench
run_bench wine_startup_bench

# Fuzz targets: ten seconds each (scripts/fuzz.sh runs them at length).
if [ ${#fuzz_flag[@]} -gt 0 ]; then
  for target in "$build"/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    echo "=== fuzz $name"
    if fuzz_one "$target" 10 "$logs/$name.log"; then
      note PASS "fuzz $name" "$(grep -Eo 'Done [0-9]+ runs.*' "$logs/$name.log" | head -c 80)"
    else
      tail -n 30 "$logs/$name.log"
      note FAIL "fuzz $name" "see $logs/$name.log"
    fi
  done
fi

# Benchmarks only print their figures; a crash still counts as a failure.
for bench in "$build"/native/bench/*_bench; do
  [ -x "$bench" ] || continue
  name=$(basename "$bench")
  echo "=== benchmark $name"
  if "$bench" --benchmark_min_time=0.05 2>&1 | tee "$logs/$name.log"; then
    note PASS "benchmark $name" "figures in $logs/$name.log"
  else
    note FAIL "benchmark $name" "see $logs/$name.log"
  fi
done

echo
echo "==================== summary ($(( $(date +%s) - start )) s) ===================="
for r in "${results[@]}"; do
  IFS='|' read -r status step detail <<<"$r"
  printf '%-5s %-55s %s\n' "$status" "$step" "$detail"
done
if [ $failed -ne 0 ]; then
  echo "RESULT: FAILED"
  exit 1
fi
echo "RESULT: all tests passed"
