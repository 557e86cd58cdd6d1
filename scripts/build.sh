#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize). The build's own output
# goes to stderr; the last line on stdout is the build folder. Names after the options are
# targets to build instead of everything.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build; extra=()
if [ "${1:-}" = "--sanitize" ]; then dir=build-asan; extra=(-DDTU_SANITIZE=ON); shift; fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
# A compiler cache, where one is installed, makes rebuilds of other checkouts cheap.
if command -v ccache >/dev/null; then
  extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); export CCACHE_BASEDIR="$PWD"
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >&2
cmake --build "$dir" -j "$(nproc)" "${targets[@]}" >&2
echo "$dir"
