#!/usr/bin/env bash
# Configures and builds into build/ (or build-asan/ with --sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build; extra=()
if [ "${1:-}" = "--sanitize" ]; then dir=build-asan; extra=(-DDTU_SANITIZE=ON); fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
echo "$dir"
