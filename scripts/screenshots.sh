#!/usr/bin/env bash
# Pictures of the main window in its states (start, console after Connect,
# the chart window during a band-pass sweep, the service report's pages,
# the revert list, the comparison with the archived image,
# parameter display, the device dialog) against the simulated transceiver, drawn without a
# display (Qt's offscreen platform), written to docs/.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
bash scripts/setup.sh
# The build folder, relative to the checkout or absolute.
BUILD=$(realpath -m -- "${BUILD_DIR:-build}")
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_BUILD_QT=ON >/dev/null
ninja -C "$BUILD" zs_qt_tests
mkdir -p "$ROOT/docs"
QT_QPA_PLATFORM=offscreen ZS_SCREENSHOT_DIR="$ROOT/docs" \
  "$BUILD/zs_qt_tests" --gtest_filter='Screenshots.*:ReportScreenshots.*'
ls -1 "$ROOT"/docs/window-*.png "$ROOT"/docs/view-*.png "$ROOT"/docs/report-*.png "$ROOT"/docs/dialog-*.png
