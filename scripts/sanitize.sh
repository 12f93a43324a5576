#!/usr/bin/env bash
# Builds the core, the simulator and the tests that need no window with
# AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer in
# build-asan, runs those tests, and fails on any sanitizer report, also one
# from a simulator process a test started.
set -euo pipefail
cd "$(dirname "$0")/.."
# The sanitizer runtimes come with g++ (libasan8, libubsan1).
bash scripts/setup.sh libasan8 libubsan1
BUILD=${SANITIZE_BUILD_DIR:-build-asan}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_SANITIZE=ON \
  -DZS_BUILD_QT=OFF -DZS_BUILD_BENCH=OFF >/dev/null
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ninja -C "$BUILD" -j"$(nproc)"
cd "$BUILD"
start=$SECONDS
status=0
ctest --output-on-failure -j"$(nproc)" --test-output-size-passed 10000000 || status=$?
# A child process's report shows only in its test's output.
if grep -En '==[0-9]+==ERROR: [A-Za-z]+Sanitizer|: runtime error: ' Testing/Temporary/LastTest.log; then
  echo "sanitizer reports in the output above (full log: $BUILD/Testing/Temporary/LastTest.log)" >&2
  status=1
fi
echo "sanitized tests took $((SECONDS - start)) s"
exit "$status"
