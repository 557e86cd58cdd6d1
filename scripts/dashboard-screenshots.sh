#!/usr/bin/env bash
# Pictures of the dashboard's pages in Chinese and English at 1366×768, and the floor and the
# units on a phone-width window: three stations provision simulated units (one storing a wrong
# byte, one refusing a write) into one SQLite file, then `dtucfg dashboard` serves it and
# chromium takes the pictures. Writes docs/dashboard-*.png.
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
station() {  # NAME PATTERN START
  (cd "$work" && "$bin/dtucfg" provision --golden demo_profile.txt --ports "$work/$2" --identity 出厂序列号 \
     --unique "设备ID={seq:$3}" --db floor.sqlite --station "$1" > /dev/null 2>&1) || true
}
for i in 0 1 2 3 4 5; do sim "lineA$i"; done
sim lineA6 --misstore 0004
for i in 0 1 2 3; do sim "lineB$i"; done
sim lineB4 --refuse 0003
for i in 0 1 2; do sim "lineC$i"; done
sim lineC3 --misstore 0005
for _ in $(seq 1 50); do [ "$(ls "$work"/line* 2>/dev/null | grep -vc log)" -ge 16 ] && break; sleep 0.1; done
station 装配线-1 'lineA*' 30000001
station 装配线-2 'lineB*' 31000001
station 返修台 'lineC*' 32000001
"$bin/dtucfg" dashboard --db "$work/floor.sqlite" --listen 127.0.0.1:0 > "$work/dash.out" 2>&1 &
pids+=($!)
for _ in $(seq 1 50); do grep -q 'on http' "$work/dash.out" && break; sleep 0.1; done
base=$(grep -o 'http://[0-9.:]*' "$work/dash.out")
unit=$(cd "$work" && "$bin/dtucfg" report --db floor.sqlite --json | python3 -c \
  'import json,sys; print([r["unit_id"] for r in json.load(sys.stdin) if r["result"]=="failed"][0])')
shot() {  # FILE WIDTH HEIGHT PATH
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size="$2,$3" \
    --virtual-time-budget=4000 --screenshot="$root/docs/$1" "$base$4" > /dev/null 2>&1
  echo "dashboard-screenshots: docs/$1"
}
for lang in zh en; do
  sfx=""; [ "$lang" = en ] && sfx="-en"
  shot "dashboard-floor$sfx.png" 1366 768 "/?lang=$lang"
  shot "dashboard-failures$sfx.png" 1366 768 "/failures?lang=$lang"
  shot "dashboard-units$sfx.png" 1366 768 "/units?lang=$lang"
  shot "dashboard-unit$sfx.png" 1366 768 "/unit?unit=$unit&lang=$lang"
done
shot dashboard-floor-phone.png 390 844 "/?lang=zh"
shot dashboard-units-phone-en.png 390 844 "/units?lang=en"
