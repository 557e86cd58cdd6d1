#!/usr/bin/env bash
# Builds the simulator and the benchmark programs (Release), starts the simulated device on a
# pseudo-terminal for each figure, and prints one result line per figure.
#   bench/run.sh            full run (a few minutes on two cores)
#   bench/run.sh --smoke    every figure tiny, to check the machinery (seconds once built)
# BENCH_BUILD_DIR overrides the build directory (default: build-bench/ in the source tree).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BENCH_BUILD_DIR:-$ROOT/build-bench}
SMOKE=0
case "${1:-}" in
  --smoke) SMOKE=1 ;;
  "") ;;
  *) echo "usage: $0 [--smoke]" >&2; exit 2 ;;
esac

if [[ $SMOKE == 1 ]]; then
  PROVISION_ROUNDS=1
  FAST_EXCHANGES=20; STRICT_EXCHANGES=2; BATCH_ROWS=5; STREAM_BYTES=4000000; RECEIVE_ROUNDS=1; PROFILE_ROWS=500
else
  PROVISION_ROUNDS=3
  FAST_EXCHANGES=300; STRICT_EXCHANGES=6; BATCH_ROWS=100; STREAM_BYTES=200000000; RECEIVE_ROUNDS=3; PROFILE_ROWS=10000
fi

command -v socat >/dev/null || { echo "bench: socat is needed for the receive figure" >&2; exit 1; }

echo "building in $BUILD ..." >&2
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
ninja -C "$BUILD" -j2 dtusim bench_exchange bench_batch bench_receive bench_profile bench_provision >/dev/null

SIM=$BUILD/src/dtusim
B=$BUILD/bench
WORK=$(mktemp -d /tmp/dtu-bench.XXXXXX)
PTY=$WORK/dtu
SIM_PID=""

stop_sim() {
  if [[ -n $SIM_PID ]]; then
    kill "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    SIM_PID=""
  fi
}
cleanup() {
  stop_sim
  rm -rf "$WORK"
}
trap cleanup EXIT

# Starts the simulator on a pty reachable as $PTY and waits for its READY line.
start_sim() {
  stop_sim
  : >"$WORK/sim.out"
  "$SIM" --pty --link "$PTY" "$@" >"$WORK/sim.out" 2>"$WORK/sim.err" &
  SIM_PID=$!
  for _ in $(seq 100); do
    grep -q '^READY' "$WORK/sim.out" && return 0
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "bench: the simulator did not start: $(cat "$WORK/sim.err")" >&2
  exit 1
}

now_ns() { date +%s%N; }

# 1 and 2: one exchange, and a batch write, at 115200 baud.
"$B/bench_batch" --write-profile "$WORK/batch.json" --rows "$BATCH_ROWS"
start_sim --profile "$WORK/batch.json" --line-rate 11520
"$B/bench_exchange" --port "$PTY" --fast "$FAST_EXCHANGES" --strict "$STRICT_EXCHANGES"
"$B/bench_batch" --port "$PTY" --profile "$WORK/batch.json"
stop_sim

# 3: transparent receive. socat and the tool take turns copying the same stream off the same
# kind of pty (a fresh simulator each time: its stream runs once); the best of each counts, as
# other work on the machine only ever slows a round down.
STREAM_ARGS=(--stream 100000000 --stream-bytes "$STREAM_BYTES")
TOTAL=$((STREAM_BYTES + 1))   # the trigger byte comes back first
SOCAT_BEST=0; TOOL_BEST=0; LINES=0
for _ in $(seq "$RECEIVE_ROUNDS"); do
  start_sim "${STREAM_ARGS[@]}"
  socat -u "OPEN:$PTY,rawer,readbytes=$TOTAL" /dev/null &
  SOCAT_PID=$!
  sleep 0.3
  T0=$(now_ns)
  printf x >"$PTY"
  wait "$SOCAT_PID"
  T1=$(now_ns)
  SOCAT_BEST=$(awk -v n="$TOTAL" -v a="$T0" -v b="$T1" -v best="$SOCAT_BEST" \
    'BEGIN { r = n / ((b - a) / 1e9); if (best > r) r = best; printf "%.0f", r }')
  start_sim "${STREAM_ARGS[@]}"
  read -r RATE _ L < <("$B/bench_receive" --port "$PTY" --bytes "$STREAM_BYTES")
  if awk -v r="$RATE" -v best="$TOOL_BEST" 'BEGIN { exit !(r > best) }'; then TOOL_BEST=$RATE; LINES=$L; fi
done
stop_sim
awk -v t="$TOOL_BEST" -v s="$SOCAT_BEST" -v n="$TOTAL" -v l="$LINES" -v rounds="$RECEIVE_ROUNDS" 'BEGIN {
  r = t / s
  printf "transparent_receive: %.2f x socat (%.0f kB/s against %.0f kB/s, %d bytes, %d display lines, best of %d) [goal >= 0.9 x] %s\n",
         r, t / 1000, s / 1000, n, l, rounds, (r >= 0.9 ? "MET" : "MISSED") }'

# 4: the same receive with the session log on (every chunk in hex and every display line on
# disk) against off, taking turns, best of each.
LOG_STREAM_BYTES=$((STREAM_BYTES / 4))
LOG_ARGS=(--stream 100000000 --stream-bytes "$LOG_STREAM_BYTES")
OFF_BEST=0; ON_BEST=0
for _ in $(seq "$RECEIVE_ROUNDS"); do
  start_sim "${LOG_ARGS[@]}"
  read -r RATE _ _ < <("$B/bench_receive" --port "$PTY" --bytes "$LOG_STREAM_BYTES")
  OFF_BEST=$(awk -v r="$RATE" -v b="$OFF_BEST" 'BEGIN { printf "%.0f", (r > b ? r : b) }')
  start_sim "${LOG_ARGS[@]}"
  rm -rf "$WORK/logs"
  read -r RATE _ _ < <("$B/bench_receive" --port "$PTY" --bytes "$LOG_STREAM_BYTES" --log "$WORK/logs")
  ON_BEST=$(awk -v r="$RATE" -v b="$ON_BEST" 'BEGIN { printf "%.0f", (r > b ? r : b) }')
  LOG_SIZE=$(du -sb "$WORK/logs" | cut -f1)
  rm -rf "$WORK/logs"
done
stop_sim
awk -v on="$ON_BEST" -v off="$OFF_BEST" -v n="$LOG_STREAM_BYTES" -v size="$LOG_SIZE" -v rounds="$RECEIVE_ROUNDS" 'BEGIN {
  r = on / off
  printf "receive_logging: %.2f x (log on %.0f kB/s against off %.0f kB/s, %d bytes, %d bytes of log, best of %d) [goal >= 0.9 x] %s\n",
         r, on / 1000, off / 1000, n, size, rounds, (r >= 0.9 ? "MET" : "MISSED") }'

# 5: a large profile with a script conversion on every row.
"$B/bench_profile" --write-profile "$WORK/big.json" --rows "$PROFILE_ROWS"
"$B/bench_profile" --profile "$WORK/big.json"

# 5: production runs, one unit and eight units at once, each a simulator paced at 115200 baud.
# The links get a folder of their own: the pattern must not match the simulators' output files.
mkdir -p "$WORK/ports"
UNIT_PIDS=()
for i in $(seq 0 7); do
  "$SIM" --pty --link "$WORK/ports/unit$i" --profile "$ROOT/examples/demo_profile.txt" --line-rate 11520 \
    >"$WORK/unit$i.out" 2>"$WORK/unit$i.err" &
  UNIT_PIDS+=($!)
done
for i in $(seq 0 7); do
  for _ in $(seq 100); do grep -q '^READY' "$WORK/unit$i.out" && break; sleep 0.1; done
done
"$B/bench_provision" --one "$WORK/ports/unit0" --eight "$WORK/ports/unit*" --rounds "$PROVISION_ROUNDS"
kill "${UNIT_PIDS[@]}" 2>/dev/null || true
wait "${UNIT_PIDS[@]}" 2>/dev/null || true
