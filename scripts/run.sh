#!/usr/bin/env bash
# Builds the program and the transceiver simulator and starts both: the
# simulator serves a pseudo-terminal and COM1 of the program is mapped to it
# in the options profile, so "Connect" talks to the simulated ZT-N7 at once.
# Extra arguments are passed to the simulator (e.g. --fault silence).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: DISPLAY and WAYLAND_DISPLAY are not set." >&2
  echo "Run this from a desktop session, or under a virtual display:" >&2
  echo "  apt-get install xvfb && xvfb-run -a bash scripts/run.sh" >&2
  exit 2
fi
bash scripts/setup.sh
# The build folder, relative to the checkout or absolute.
BUILD=$(realpath -m -- "${BUILD_DIR:-build}")
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZS_BUILD_QT=ON >/dev/null
ninja -C "$BUILD" zsn7adj zt-n7-sim

RUN="$BUILD/run"
mkdir -p "$RUN"
LINK="$RUN/zt-n7-sim.tty"
"$BUILD/zt-n7-sim" --link "$LINK" --image "$RUN/sim-eeprom.bin" --save "$RUN/sim-eeprom.bin" "$@" \
  >"$RUN/sim.log" 2>&1 &
SIM=$!
trap 'kill "$SIM" 2>/dev/null || true; wait "$SIM" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$LINK" ] && break; sleep 0.1; done
if [ ! -e "$LINK" ]; then
  echo "The simulator did not start; see $RUN/sim.log" >&2
  exit 1
fi

# COM1 -> the simulator, in the options profile next to the program; every
# other line of the profile is kept, and new lines take the line end the
# file already uses (as the program itself does).
PROFILE="$BUILD/ZSN7ADJ.rs"
touch "$PROFILE"
awk -v dev="$LINK" '
  BEGIN { done = 0; inports = 0; eol = "" ; seen = 0 }
  !seen { seen = 1; if ($0 ~ /\r$/) eol = "\r" }
  /^[ \t]*\[/ {
    if (inports && !done) { print "COM1=" dev eol; done = 1 }
    inports = (tolower($0) ~ /^[ \t]*\[ports\][ \t]*\r?$/)
    print; next
  }
  inports && tolower($0) ~ /^[ \t]*com1[ \t]*=/ { next }
  { print }
  END {
    if (inports && !done) { print "COM1=" dev eol; done = 1 }
    if (!done) { print "[PORTS]" eol; print "COM1=" dev eol }
  }' "$PROFILE" >"$PROFILE.tmp" && mv "$PROFILE.tmp" "$PROFILE"

# The program reads Const.ini from the folder it is started in.
cp -n "$ROOT/Const.ini" "$RUN/Const.ini" 2>/dev/null || true
echo "Simulated ZT-N7 on $LINK (COM1). Press \"Connect\" in the window."
cd "$RUN"
"$BUILD/zsn7adj"
