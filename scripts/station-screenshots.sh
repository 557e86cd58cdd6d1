#!/usr/bin/env bash
# Pictures of the station page at 1366×768, in Chinese and English: sixteen simulated units on
# pseudo-terminals, some quick, some slow, one storing a wrong byte, one refusing a write, some
# silent, caught while the station works on them. Writes docs/station.png and docs/station-en.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bin="$root/${BUILD_DIR:-build}/src"
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
cp examples/script.js examples/demo_profile.txt examples/demo_ext.txt "$work/"
sim() {  # NAME [FAULTS...]
  local name=$1; shift
  "$bin/dtusim" --pty --link "$work/$name" --profile "$work/demo_profile.txt" --identity auto "$@" > "$work/$name.log" 2>&1 &
  pids+=($!)
}
for lang in zh en; do
  rm -f "$work"/ttyUSB* "$work"/*.sqlite*
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  pids=()
  for i in 0 1 2 3 4 5; do sim "ttyUSB$i"; done
  sim ttyUSB6 --misstore 0004
  sim ttyUSB7 --refuse 0003
  for i in 8 9 10 11; do sim "ttyUSB$i" --delay 350; done
  for i in 12 13; do sim "ttyUSB$i" --delay 700; done
  for i in 14 15; do sim "ttyUSB$i" --silent all; done
  for _ in $(seq 1 50); do [ "$(ls "$work"/ttyUSB* 2>/dev/null | wc -l)" -ge 16 ] && break; sleep 0.1; done
  cat > "$work/bench.json" <<JSON
{"station": "bench-1", "golden": "demo_profile.txt", "ports": ["ttyUSB*"], "identity": "出厂序列号",
 "unique": {"设备ID": "{seq:20000001}"}, "db": "station.sqlite", "target": 500}
JSON
  out=docs/station.png
  [ "$lang" = en ] && out=docs/station-en.png
  (cd "$work" && QT_QPA_PLATFORM=offscreen timeout 120 "$bin/dtu-config" --lang "$lang" --station bench.json --start \
      --screenshot "$root/$out" --screenshot-delay "${DELAY_MS:-9000}")
  echo "station-screenshots: $out"
done
