#!/usr/bin/env bash
# Builds the Debian package <build>/package/zsn7adj_<version>_amd64.deb
# (BUILD_DIR, default build), validates its desktop entry, its AppStream
# metadata and the whole package (lintian), checks that apt can install it
# with its dependencies, then unpacks it into a scratch root and starts the
# unpacked program there (tests/install/check-package.sh). Fails on any error
# of a validator; warnings are shown.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
bash scripts/setup.sh lintian desktop-file-utils appstream
# The build folder, relative to the checkout or absolute.
BUILD=$(realpath -m -- "${BUILD_DIR:-build}")
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_BUILD_QT=ON >/dev/null
ninja -C "$BUILD" zsn7adj zs_package_files
(cd "$BUILD" && cpack -G DEB >/dev/null)
deb=$(ls "$BUILD"/package/zsn7adj_*_amd64.deb)
echo "== $deb"
dpkg-deb -f "$deb" Package Version Architecture Depends

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg-deb -x "$deb" "$scratch"

echo "== desktop-file-validate"
desktop-file-validate "$scratch/usr/share/applications/zsn7adj.desktop"

echo "== appstreamcli validate"
# It exits non-zero on warnings too; only errors ("E:" lines) fail here.
out=$(appstreamcli validate --no-net "$scratch/usr/share/metainfo/zsn7adj.metainfo.xml" 2>&1) || true
echo "$out"
if grep -q '^E:' <<<"$out"; then exit 1; fi

echo "== lintian"
# Fails on errors only (its default); warnings and notes are listed.
rc=0
lintian --display-info "$deb" >"$scratch/lintian.txt" 2>&1 || rc=$?
grep -v "running with root privileges" "$scratch/lintian.txt" || true
[ "$rc" -eq 0 ]

echo "== apt-get install --simulate"
apt-get install --simulate "$deb" >/dev/null

echo "== unpacked into a scratch root and started"
bash tests/install/check-package.sh "$BUILD" "$ROOT"
