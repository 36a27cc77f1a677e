#!/usr/bin/env bash
# Builds the Debian package torancal_<version>_<arch>.deb into the source directory.
#   scripts/package.sh            build it (in build-package/)
#   scripts/package.sh --check    build it, then validate the menu entry and the metadata, run
#                                 lintian, and run the unpacked calibrator's --version
set -euo pipefail
cd "$(dirname "$0")/.."

check=false
[ "${1:-}" = "--check" ] && check=true
extra=()
$check && extra=(desktop-file-utils appstream lintian)
scripts/setup-deps.sh dpkg-dev file "${extra[@]}"

# -O2 as Debian builds: GCC 12 at -O3 warns falsely (-Wrestrict) inside std::string.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_INSTALL_PREFIX=/usr -DTORANCAL_TESTS=OFF >/dev/null
cmake --build build-package
rm -f build-package/torancal_*.deb
(cd build-package && cpack -G DEB >/dev/null)
deb=$(ls build-package/torancal_*.deb)
cp "$deb" .
echo "Built $(basename "$deb")"
$check || exit 0

desktop-file-validate packaging/cz.torancal.ToranCal.desktop
appstreamcli validate --no-net packaging/cz.torancal.ToranCal.metainfo.xml
# Errors fail the check; warnings are shown.
lintian --fail-on error "$deb"
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
QT_QPA_PLATFORM=offscreen "$root/usr/bin/torancal" --version
echo "Package check passed"
