#!/usr/bin/env bash
# Builds the tool, starts the simulated device on a pseudo-terminal (and on 127.0.0.1:8888),
# and opens the window with the demo profile in ./demo. Without a display it runs the
# command-line tool's "read" against the simulator instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup-deps.sh
dir=$(bash scripts/build.sh | tail -n 1)
bin="$root/$dir/src"

mkdir -p demo
for f in script.js demo_profile.txt demo_ext.txt; do
  # Keep a demo profile the user already changed (the tool writes port settings back into it).
  [ -f "demo/$f" ] || cp "examples/$f" "demo/$f"
done
cp examples/script.js demo/script.js
cd demo

pty=/tmp/dtu-demo-pty
pidfile=/tmp/dtu-demo-sim.pid
# The simulated device outlives the tool, like real hardware: values written to it are still
# there when the tool is started again. `kill $(cat /tmp/dtu-demo-sim.pid)` stops it.
if [ -f "$pidfile" ] && kill -0 "$(cat "$pidfile")" 2>/dev/null && [ -e "$pty" ]; then
  echo "Simulated device already running on $pty"
else
  tcpport=8888
  if ss -ltn 2>/dev/null | grep -q ":$tcpport "; then tcpport=0; fi
  nohup "$bin/dtusim" --pty --link "$pty" --tcp "$tcpport" --profile demo_profile.txt \
    > /tmp/dtusim-demo.log 2>&1 &
  echo $! > "$pidfile"
  for _ in $(seq 1 50); do grep -q READY /tmp/dtusim-demo.log 2>/dev/null && break; sleep 0.1; done
  echo "Simulated device on $pty ($(grep '^TCP' /tmp/dtusim-demo.log || echo 'no TCP')); stop it with: kill \$(cat $pidfile)"
fi

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  "$bin/dtu-config" --profile demo_profile.txt
elif [ -x "$bin/dtucfg" ]; then
  echo "No display: reading the simulated device with the command-line tool"
  "$bin/dtucfg" --port "$pty" --baud 115200 --profile demo_profile.txt read
else
  echo "No display: starting the window under a virtual display"
  xvfb-run -a "$bin/dtu-config" --profile demo_profile.txt
fi
