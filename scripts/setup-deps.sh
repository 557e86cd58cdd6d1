#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test dtu-config.
set -euo pipefail
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-declarative-dev
      libgl-dev nlohmann-json3-dev fonts-wqy-microhei xvfb xauth socat
      qt6-l10n-tools qt6-tools-dev
      libcli11-dev libqt6sql6-sqlite libqt6sql6-psql postgresql libpq-dev
      libqrencode-dev zbar-tools poppler-utils chromium)
# --fuzz: clang and its runtime libraries (libFuzzer, the sanitizers) for scripts/fuzz.sh.
if [ "${1:-}" = "--fuzz" ]; then PKGS+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
