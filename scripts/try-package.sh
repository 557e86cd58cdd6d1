#!/usr/bin/env bash
# Tries a built .deb without installing it: checks that its dependencies resolve on this
# system (apt's simulation), unpacks it into a temporary root and runs the programs from
# there: both --help texts, the simulator and the command-line tool on the installed
# examples, and the window offscreen.
# Usage: scripts/try-package.sh PATH/dtu-config_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d /tmp/dtu-package.XXXXXX)
sim=""
cleanup() {
  if [ -n "$sim" ]; then kill "$sim" 2>/dev/null || true; wait "$sim" 2>/dev/null || true; fi
  rm -rf "$root"
}
trap cleanup EXIT
fail() { echo "try-package: $*" >&2; exit 1; }

# Dependencies: apt must find every one of them (simulated: nothing is installed).
apt-get -s -qq install "$deb" > "$root/apt.txt" 2>&1 || { cat "$root/apt.txt" >&2; fail "dependencies do not resolve"; }

dpkg-deb -x "$deb" "$root/inst"
echo "package files:"
(cd "$root/inst" && find . -type f -o -type l | sort | sed 's|^\.||')
doc=$root/inst/usr/share/doc/dtu-config
for f in usr/bin/dtu-config usr/bin/dtucfg usr/bin/dtusim \
         usr/share/applications/io.dtuconfig.DtuConfig.desktop \
         usr/share/metainfo/io.dtuconfig.DtuConfig.metainfo.xml \
         usr/share/icons/hicolor/scalable/apps/dtu-config.svg \
         usr/share/icons/hicolor/16x16/apps/dtu-config.png \
         usr/share/icons/hicolor/256x256/apps/dtu-config.png \
         usr/share/man/man1/dtucfg.1.gz usr/share/man/man1/dtusim.1.gz \
         usr/share/doc/dtu-config/copyright usr/share/doc/dtu-config/changelog.gz \
         usr/share/doc/dtu-config/examples/demo_profile.txt \
         usr/share/doc/dtu-config/examples/demo_ext.txt \
         usr/share/doc/dtu-config/examples/script.js; do
  [ -e "$root/inst/$f" ] || fail "the package lacks /$f"
done
bin=$root/inst/usr/bin

"$bin/dtucfg" --help > "$root/dtucfg-help.txt" || fail "dtucfg --help failed"
grep -q '^Usage: dtucfg' "$root/dtucfg-help.txt" || fail "dtucfg --help printed no usage"
"$bin/dtusim" --help > "$root/dtusim-help.txt" 2>&1 || fail "dtusim --help failed"
grep -q -- '--pty' "$root/dtusim-help.txt" || fail "dtusim --help printed no options"
echo "try-package: dtucfg --help and dtusim --help run from the unpacked package"

# The examples as a user would take them: copied into a working folder.
work=$root/work
mkdir "$work"
cp "$doc"/examples/* "$work/"
cd "$work"
"$bin/dtusim" --pty --link "$work/pty" --profile demo_profile.txt > "$root/sim.txt" 2>&1 &
sim=$!
for _ in $(seq 1 100); do grep -q READY "$root/sim.txt" && break; sleep 0.1; done
grep -q READY "$root/sim.txt" || { cat "$root/sim.txt" >&2; fail "dtusim did not start"; }
"$bin/dtucfg" --port "$work/pty" --baud 115200 --profile demo_profile.txt read > "$root/read.txt" \
  || { cat "$root/read.txt" >&2; fail "dtucfg read against dtusim failed"; }
echo "try-package: dtucfg read $(wc -l < "$root/read.txt") lines from dtusim, both from the package"

QT_QPA_PLATFORM=offscreen timeout 60 "$bin/dtu-config" --profile demo_profile.txt --screenshot "$root/window.png" \
  || fail "the window did not start offscreen"
[ "$(head -c 8 "$root/window.png" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ] \
  || fail "the window's screenshot is not a PNG"
echo "try-package: the window started offscreen and saved a $(stat -c %s "$root/window.png")-byte screenshot"
