#!/usr/bin/env bash
# Installs what is needed, builds the test program and runs the fault
# campaign: every fault of the simulated transceiver, line noise and a port
# that cannot be opened, against the whole program; prints the table of what
# the user saw and what state the program, the radio's EEPROM and the options
# profile were left in. Exits non-zero when a row did not end as it should.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD=${BUILD_DIR:-build}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_BUILD_QT=ON >/dev/null
ninja -C "$BUILD" -j"$(nproc)" zs_tests
"$BUILD/zs_tests" --gtest_filter='FaultCampaign.*' --gtest_brief=1
