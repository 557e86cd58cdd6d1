#!/usr/bin/env bash
# Soak of the transparent page's receive path (not part of CI): the simulator streams to the
# page over a pseudo-terminal for MINUTES (default 10) at RATE bytes/s (default 1000000, the
# rate the receive path is measured at; the port is opened at 921600 baud).
#   bench/soak.sh [--minutes M] [--rate BYTES_PER_S]
# BENCH_BUILD_DIR=<dir> uses an existing build directory as it is configured (default: a Release
# build in build-bench/).
set -euo pipefail
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${BENCH_BUILD_DIR:-}
MINUTES=10; RATE=1000000
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) MINUTES=$2; shift 2 ;;
    --rate) RATE=$2; shift 2 ;;
    *) echo "usage: $0 [--minutes M] [--rate BYTES_PER_S]" >&2; exit 2 ;;
  esac
done
BYTES=$(awk -v m="$MINUTES" -v r="$RATE" 'BEGIN { printf "%.0f", m * 60 * r }')

# A given build directory is used as configured (e.g. the test build); else a Release one.
if [ -z "$BUILD" ]; then
  BUILD=$ROOT/build-bench
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
echo "building in $BUILD ..." >&2
ninja -C "$BUILD" -j2 dtusim bench_soak >/dev/null

WORK=$(mktemp -d /tmp/dtu-soak.XXXXXX)
PTY=$WORK/dtu
SIM_PID=""
cleanup() {
  if [ -n "$SIM_PID" ]; then kill "$SIM_PID" 2>/dev/null || true; wait "$SIM_PID" 2>/dev/null || true; fi
  rm -rf "$WORK"
}
trap cleanup EXIT
"$BUILD/src/dtusim" --pty --link "$PTY" --stream "$RATE" --stream-bytes "$BYTES" >"$WORK/sim.out" 2>"$WORK/sim.err" &
SIM_PID=$!
for _ in $(seq 100); do
  grep -q '^READY' "$WORK/sim.out" && break
  kill -0 "$SIM_PID" 2>/dev/null || { echo "soak: the simulator did not start: $(cat "$WORK/sim.err")" >&2; exit 1; }
  sleep 0.1
done
echo "soak: $MINUTES min at $RATE bytes/s ($BYTES bytes)" >&2
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} "$BUILD/bench/bench_soak" --port "$PTY" --bytes "$BYTES" --minutes "$MINUTES"
