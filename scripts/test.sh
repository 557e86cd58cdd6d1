#!/usr/bin/env bash
# Installs what is needed, builds and runs the whole test suite headless.
# --sanitize runs it again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh
dir=$(bash scripts/build.sh "$@" | tail -n 1)
export QT_QPA_PLATFORM=offscreen
jobs=2
# Sanitized code runs several times slower; one test at a time keeps the timing tests honest.
if [ "${1:-}" = "--sanitize" ]; then jobs=1; fi
# Timing-sensitive integration tests get one retry on a loaded machine; a real fault fails twice.
ctest --test-dir "$dir" --output-on-failure -j "$jobs" --repeat until-pass:2
