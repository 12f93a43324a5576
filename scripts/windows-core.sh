#!/usr/bin/env bash
# The core on Windows: cross-builds every library that needs no window and
# the tests that need neither a window nor a pseudo-terminal for 64-bit
# Windows with MinGW-w64, and runs them under wine64 without a display.
# Installs what it needs first (as root; packages already there are left
# alone). Everything it makes stays in <build>/windows (BUILD_DIR, default
# build): GoogleTest built from Debian's source package, the core build and
# the wine prefix; a second run rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
# The build folder, relative to the checkout or absolute.
W="$(realpath -m -- "${BUILD_DIR:-build}")/windows"

# The compiler variant with POSIX threads (std::thread, std::mutex), wine for
# 64-bit programs and GoogleTest's sources; no recommended extras (fonts,
# multimedia libraries) that a headless test run never uses.
bash scripts/setup.sh --only cmake ninja-build googletest g++-mingw-w64-x86-64-posix wine64 >/dev/null

TOOLCHAIN="$ROOT/cmake/mingw-w64-x86_64.cmake"
LAUNCHER=()
if command -v ccache >/dev/null; then
  LAUNCHER=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Objects compiled in another clone of the project are reused.
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT} CCACHE_NOHASHDIR=1
fi

# GoogleTest for Windows, once; without GoogleMock, which no test uses.
if [ ! -f "$W/gtest/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S /usr/src/googletest -B "$W/gtest-build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$W/gtest" -DBUILD_GMOCK=OFF "${LAUNCHER[@]}" >/dev/null
  ninja -C "$W/gtest-build" install >/dev/null
fi

cmake -S . -B "$W/core" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZS_BUILD_QT=OFF -DZS_BUILD_BENCH=OFF -DGTest_DIR="$W/gtest/lib/cmake/GTest" "${LAUNCHER[@]}" \
  | grep -E "left out" || true
ninja -C "$W/core" zs_tests

# wine in its own prefix, headless: no display, no debug chatter, no offer to
# install its .NET and HTML run-times.
WINE64=$(command -v wine64 || echo /usr/lib/wine/wine64)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX="$W/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  "$WINE64" wineboot --init >/dev/null 2>&1 || true
fi

LOG="$W/core-tests.log"
rc=0
(cd "$W/core" && "$WINE64" ./zs_tests.exe --gtest_brief=1) >"$LOG" 2>&1 || rc=$?
"$WINESERVER" -k 2>/dev/null || true
grep -E '^\[  FAILED  \]|Failure$|^\[==========\]' "$LOG" || true
ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$LOG" | tail -n 1)
failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\?, listed below:.*/\1/p' "$LOG" | tail -n 1)
ran=${ran:-0}
failed=${failed:-0}
if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
  echo "zs_tests.exe ended with code $rc before its summary; the whole output is in $LOG" >&2
  tail -n 20 "$LOG" >&2
  failed=1
fi
echo "wine64: $((ran - failed)) passed, $failed failed"
if [ "$rc" -ne 0 ] || [ "$ran" -eq 0 ]; then exit 1; fi
