#!/usr/bin/env bash
# Brings i18n/dtu-config_en.ts (or the .ts file given) up to date with the sources: new texts
# appear as unfinished entries to translate (Qt Linguist, or by hand), vanished ones are dropped.
set -euo pipefail
cd "$(dirname "$0")/.."
ts=${1:-i18n/dtu-config_en.ts}
LUPDATE=${LUPDATE:-/usr/lib/qt6/bin/lupdate}
# The windows' texts and the core texts they show; the simulator and dtucfg's own messages
# are not translated.
"$LUPDATE" -silent -no-obsolete -locations none -source-language zh_CN -target-language en \
  src/text src/state src/log src/script src/link src/protocol src/params src/profile src/session \
  src/widgets src/app src/tools -I src -ts "$ts"
