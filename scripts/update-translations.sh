#!/usr/bin/env bash
# Brings i18n/dtu-config_en.ts (or the .ts file given) up to date with the sources: new texts
# appear as unfinished entries to translate (Qt Linguist, or by hand), vanished ones are dropped.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=${1:-i18n/dtu-config_en.ts}
LUPDATE=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
# Every folder whose texts can reach a user: all of src/ but the simulator, which speaks to
# developers in English. (dtucfg's own messages are English too, and need no entries.)
folders=()
for d in src/*/; do
  d=${d%/}
  [ "$d" = src/sim ] || folders+=("$d")
done
"$LUPDATE" -silent -no-obsolete -locations none -source-language zh_CN -target-language en \
  "${folders[@]}" -I src -ts "$ts"
