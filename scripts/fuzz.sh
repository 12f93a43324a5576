#!/usr/bin/env bash
# Builds the receive-path fuzzer with clang (libFuzzer + AddressSanitizer) and
# runs it for a while. Usage: scripts/fuzz.sh [seconds]  (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
# libFuzzer is in clang's run-time libraries, which clang only recommends:
# named here so that a system that leaves out recommended packages has it too.
bash scripts/setup.sh clang libclang-rt-14-dev
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DZS_BUILD_QT=OFF \
  -DZS_BUILD_TESTS=OFF -DZS_BUILD_BENCH=OFF -DZS_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build-fuzz fuzz_receive
mkdir -p build-fuzz/corpus
./build-fuzz/fuzz_receive -max_total_time="$secs" -max_len=4096 build-fuzz/corpus 2>&1 | tail -n 5
echo "fuzz_receive ran clean for ${secs} s (the inputs that found new paths are kept in build-fuzz/corpus)"
