#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test: the suite,
# the windowless tests under the sanitizers, the Debian package (built from
# the same build, validated, unpacked and started) and the core's tests on
# Windows (MinGW-w64 build under wine64).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_BUILD_QT=ON >/dev/null
ninja -C "$BUILD" -j"$(nproc)"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)"
[ "${ZS_SKIP_SANITIZE:-0}" = 1 ] || bash "$OLDPWD/scripts/sanitize.sh"  # windowless tests under ASan/UBSan
cd "$OLDPWD"
bash scripts/package.sh
bash scripts/windows-core.sh

# Benchmarks: every one built and run once in its short mode (no goal judged).
bash scripts/bench-smoke.sh
# Fuzz targets: each parser briefly under libFuzzer with the sanitizers.
bash scripts/fuzz-ci.sh
