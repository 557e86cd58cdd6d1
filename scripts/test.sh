#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite headless.
# --sanitize runs it again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
dir=$(bash scripts/build.sh "$@" | tail -n 1)
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j 2
