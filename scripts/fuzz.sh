#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for SECONDS (default 20), one after the other.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# Seeds come from fuzz/corpus/<target>/ (left unchanged); what the runs add goes to
# build-fuzz/corpus/<target>/, crashing inputs to build-fuzz/findings/. FUZZ_PARALLEL=1 runs all
# targets at once (nice'd), for long runs on a shared machine; FUZZ_KEEP_GOING=1 lets a target
# go on after a finding (libFuzzer's fork mode) and counts the findings; FUZZ_TIMEOUT sets the
# seconds one input may take (default 10; more for long runs on a starved machine).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh --fuzz
secs=${1:-20}
shift || true
dir=build-fuzz
extra=()
if command -v ccache >/dev/null; then
  extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); export CCACHE_BASEDIR="$PWD"
fi
# Debug keeps Qt's own index checks (Q_ASSERT in its inline code) on; -O1 keeps the runs fast.
cmake -S . -B "$dir" -G Ninja -DDTU_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" "${extra[@]}" >&2
cmake --build "$dir" --target fuzz_all -j "$(nproc)" >&2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
mkdir -p "$dir/findings" "$dir/logs"
# Findings of an earlier run are not this run's: each run starts with none.
for t in "${targets[@]}"; do rm -f "$dir/findings/$t-"*; done
export QT_QPA_PLATFORM=offscreen
# Leak checks off: the targets keep one script engine and session alive on purpose.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

keep=()
if [ "${FUZZ_KEEP_GOING:-0}" = 1 ]; then keep=(-fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1); fi

run() {
  local t=$1
  mkdir -p "$dir/corpus/$t" "fuzz/corpus/$t"
  ${NICE:-} "$dir/fuzz/$t" -max_total_time="$secs" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 -max_len=16384 \
    -dict=fuzz/dtu.dict -artifact_prefix="$dir/findings/$t-" -print_final_stats=1 "${keep[@]}" \
    "$dir/corpus/$t" "fuzz/corpus/$t" >"$dir/logs/$t.log" 2>&1
}

status=0
if [ "${FUZZ_PARALLEL:-0}" = 1 ]; then
  pids=()
  NICE="nice -n 19"
  for t in "${targets[@]}"; do run "$t" & pids+=($!); done
  for i in "${!pids[@]}"; do wait "${pids[$i]}" || { echo "FAILED: ${targets[$i]}" >&2; status=1; }; done
else
  for t in "${targets[@]}"; do
    echo "fuzzing $t for ${secs}s ..." >&2
    run "$t" || { echo "FAILED: $t (see $dir/logs/$t.log)" >&2; tail -n 30 "$dir/logs/$t.log" >&2; status=1; }
  done
fi

printf '%-22s %12s %8s %8s  %s\n' target executions edges features result
for t in "${targets[@]}"; do
  log=$dir/logs/$t.log
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}' | tail -n 1 || true)
  # Fork mode prints "#<executions>: cov: ..." lines instead of final stats.
  [ -n "$execs" ] || execs=$(grep -oE '^#[0-9]+: cov' "$log" | tail -n 1 | tr -dc '0-9' || true)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | awk '{print $2}' || true)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n 1 | awk '{print $2}' || true)
  found=$(ls "$dir/findings/$t-"* 2>/dev/null | wc -l || true)
  if [ "$found" -gt 0 ] || grep -qE 'ERROR: (AddressSanitizer|libFuzzer)|runtime error|fuzz check failed' "$log"; then
    res="FINDING ($found input(s) in $dir/findings)"
    # A finding fails the run also when the target went on after it (FUZZ_KEEP_GOING=1).
    status=1
  else
    res=ok
  fi
  printf '%-22s %12s %8s %8s  %s\n' "$t" "${execs:--}" "${cov:--}" "${ft:--}" "$res"
done
exit $status
