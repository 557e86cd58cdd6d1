#!/usr/bin/env bash
# Builds the Debian package from build/ (configuring or updating it as needed), checks it with
# lintian, then tries it out unpacked into a temporary folder (scripts/try-package.sh).
# The machine's own system is left alone: nothing is installed but the tools listed below.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-deps.sh

# Packaging tools, installed only when a package is built.
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
PKGS=(dpkg-dev file lintian librsvg2-bin appstream desktop-file-utils)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The data files are checked before the build, so a mistake in them costs no compile time.
bash scripts/render-icons.sh --check
desktop-file-validate packaging/*.desktop
appstreamcli validate --no-net packaging/*.metainfo.xml

# Only what the package holds is built (after scripts/test.sh everything is up to date anyway).
dir=$(bash scripts/build.sh dtu-config dtucfg dtusim package-docs | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$dir/CMakeCache.txt")
# The changelog and the AppStream releases are kept by hand; they must name this version.
if [ "$(dpkg-parsechangelog -l packaging/changelog -S Version)" != "$version" ]; then
  echo "package: packaging/changelog has no entry for version $version on top" >&2; exit 1
fi
if ! grep -q "<release version=\"$version\"" packaging/*.metainfo.xml; then
  echo "package: packaging/*.metainfo.xml has no release $version" >&2; exit 1
fi

rm -f "$dir"/package/*.deb
(cd "$dir" && cpack --config CPackConfig.cmake >&2)
deb=$(ls "$dir"/package/*.deb)
echo "package: $deb"
dpkg-deb --field "$deb"

echo "lintian:"
lintian_out=$(lintian --info --fail-on none "$deb" 2>&1 | grep -v "running with root privileges" || true)
echo "$lintian_out"
errors=$(grep -c '^E: ' <<<"$lintian_out" || true)
warnings=$(grep -c '^W: ' <<<"$lintian_out" || true)
echo "lintian: $errors errors, $warnings warnings"
if [ "$errors" -gt 0 ]; then exit 1; fi

bash scripts/try-package.sh "$deb"
