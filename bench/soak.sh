#!/usr/bin/env bash
# Soak of the transparent page's receive path (not part of CI): the simulator streams to the
# page over a pseudo-terminal (opened at 921600 baud) for MINUTES (default 10), at 1 MB/s (the
# rate the receive path is measured at) and at the serial line's real ceiling, 92 160 bytes/s.
# Each rate runs twice in this one run: the page's conversation view, and as the baseline the
# text edit it used before (for BASELINE minutes, default the smaller of MINUTES and 2).
#   bench/soak.sh [--minutes M] [--baseline-minutes B] [--rate BYTES_PER_S]
# --rate runs that one rate only (goal 50 ms above 100 000 bytes/s, else 20 ms).
# BENCH_BUILD_DIR=<dir> uses an existing build directory as it is configured (default: a Release
# build in build-bench/).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BENCH_BUILD_DIR:-}
MINUTES=10; BASELINE=""; RATES="1000000 92160"
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) MINUTES=$2; shift 2 ;;
    --baseline-minutes) BASELINE=$2; shift 2 ;;
    --rate) RATES=$2; shift 2 ;;
    *) echo "usage: $0 [--minutes M] [--baseline-minutes B] [--rate BYTES_PER_S]" >&2; exit 2 ;;
  esac
done
[ -n "$BASELINE" ] || BASELINE=$(awk -v m="$MINUTES" 'BEGIN { print (m < 2 ? m : 2) }')

# A given build directory is used as configured (e.g. the test build); else a Release one.
if [ -z "$BUILD" ]; then
  BUILD=$ROOT/build-bench
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
echo "building in $BUILD ..." >&2
ninja -C "$BUILD" -j2 dtusim bench_soak >/dev/null

WORK=$(mktemp -d /tmp/dtu-soak.XXXXXX)
SIM_PID=""
stop_sim() {
  if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; fi
  SIM_PID=""
}
trap 'stop_sim; rm -rf "$WORK"' EXIT

# One soak: view (new|old), rate, minutes, gap goal; its result line goes to $WORK/results.
soak() {
  local view=$1 rate=$2 minutes=$3 goal=$4 bytes pty=$WORK/dtu
  bytes=$(awk -v m="$minutes" -v r="$rate" 'BEGIN { printf "%.0f", m * 60 * r }')
  rm -f "$pty"
  "$BUILD/src/dtusim" --pty --link "$pty" --stream "$rate" --stream-bytes "$bytes" >"$WORK/sim.out" 2>"$WORK/sim.err" &
  SIM_PID=$!
  for _ in $(seq 100); do
    grep -q '^READY' "$WORK/sim.out" && break
    kill -0 "$SIM_PID" 2>/dev/null || { echo "soak: the simulator did not start: $(cat "$WORK/sim.err")" >&2; exit 1; }
    sleep 0.1
  done
  echo "soak: $view view, $minutes min at $rate bytes/s ($bytes bytes)" >&2
  QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/bench_soak" --port "$pty" --bytes "$bytes" \
    --minutes "$minutes" --view "$view" --gap-goal-ms "$goal" | tee "$WORK/run.out" | grep -v '^soak-result' || true
  grep '^soak-result' "$WORK/run.out" | sed "s/^soak-result/rate=$rate goal=$goal/" >>"$WORK/results" || true
  stop_sim
}

for rate in $RATES; do
  goal=$(awk -v r="$rate" 'BEGIN { print (r > 100000 ? 50 : 20) }')
  soak old "$rate" "$BASELINE" "$goal"
  soak new "$rate" "$MINUTES" "$goal"
done

# Figures side by side, the old view as the baseline of the same run.
echo
awk '
  { delete f; for (i = 1; i <= NF; i++) { split($i, kv, "="); f[kv[1]] = kv[2] }
    key = f["rate"]; goal[key] = f["goal"]
    gap[key, f["view"]] = f["gap_ms"]; growth[key, f["view"]] = f["growth_kb"]
    ok[key, f["view"]] = (f["received"] == f["expected"]); secs[key, f["view"]] = f["seconds"]
    lost[key, f["view"]] = f["expected"] - f["received"]
    if (!(key in seen)) { seen[key] = 1; order[++n] = key } }
  function verdict(c) { return c ? "MET" : "MISSED" }
  END {
    for (i = 1; i <= n; i++) {
      r = order[i]
      printf "soak %s bytes/s: longest tick gap %.1f ms (old view %.1f ms, ratio %.2f) [goal <= %d ms] %s\n", r,
             gap[r, "new"], gap[r, "old"], (gap[r, "old"] > 0 ? gap[r, "new"] / gap[r, "old"] : 0), goal[r],
             verdict(gap[r, "new"] <= goal[r])
      printf "soak %s bytes/s: resident growth %d kB over %s s (old view %d kB over %s s) [goal <= 10240 kB] %s\n", r,
             growth[r, "new"], secs[r, "new"], growth[r, "old"], secs[r, "old"], verdict(growth[r, "new"] <= 10240)
      printf "soak %s bytes/s: bytes lost %d (old view %d) [goal: 0] %s\n", r, lost[r, "new"], lost[r, "old"],
             verdict(ok[r, "new"])
    }
  }' "$WORK/results"
