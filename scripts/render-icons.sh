#!/usr/bin/env bash
# Renders the application icon's PNG sizes from packaging/icons/dtu-config.svg.
# The PNGs are kept in the repository so an ordinary build needs no SVG renderer;
# run this after changing the SVG (scripts/package.sh fails while they differ).
# --check renders into a temporary folder and reports stale PNGs instead of writing.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v rsvg-convert >/dev/null; then
  echo "render-icons: rsvg-convert is missing (Debian package librsvg2-bin)" >&2
  exit 1
fi
src=packaging/icons/dtu-config.svg
out=packaging/icons
check=0
if [ "${1:-}" = "--check" ]; then check=1; out=$(mktemp -d); trap 'rm -rf "$out"' EXIT; fi
stale=0
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$src" -o "$out/dtu-config-$size.png"
  if [ $check = 1 ] && ! cmp -s "$out/dtu-config-$size.png" "packaging/icons/dtu-config-$size.png"; then
    echo "render-icons: packaging/icons/dtu-config-$size.png does not match the SVG (run scripts/render-icons.sh)" >&2
    stale=1
  fi
done
exit $stale
