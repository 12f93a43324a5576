#!/usr/bin/env bash
# The installed package in the hands of a normal user: installs
# <build>/package/zsn7adj_<version>_amd64.deb with apt, makes a user without
# any extra group and, as that user, starts the installed program (offscreen)
# from the home folder with the sample constants copied there, once against
# the simulator on a pseudo-terminal of the user's (the program's options
# must go to ~/.config/zsn7adj/, the archive of the clone read to
# ~/.local/share/zsn7adj/images/) and once against a port only root may
# open ("Cannot access COM1." with the system's reason on standard error).
# Then it runs the windowless tests as that user, so the tests of files and
# folders the user may not write meet real permissions.
#
# It changes the system (a package, a user): scripts/fresh-check.sh runs it
# as root in its fresh root after scripts/test.sh.
# Usage: check-as-user.sh BUILD_DIR    (ZS_CHECK_USER: the user, default tech)
set -euo pipefail
BUILD=$(realpath -m -- "$1")
USERNAME=${ZS_CHECK_USER:-tech}
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "check-as-user.sh installs a package and makes a user: run it as root"

debs=("$BUILD"/package/zsn7adj_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single package in $BUILD/package: ${debs[*]}"
WORK=$(mktemp -d /tmp/zs-user-check.XXXXXX)
chmod 755 "$WORK"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT

echo "== apt install ./$(basename "${debs[0]}")"
cp "${debs[0]}" "$WORK/"
(cd "$WORK" && DEBIAN_FRONTEND=noninteractive apt install -y "./$(basename "${debs[0]}")") >"$WORK/apt.log" 2>&1 ||
  { cat "$WORK/apt.log" >&2; fail "apt could not install the package"; }
[ -x /usr/bin/zsn7adj ] || fail "/usr/bin/zsn7adj not installed"

if ! id "$USERNAME" >/dev/null 2>&1; then
  useradd --create-home --shell /bin/bash "$USERNAME"
fi
[ "$(id -Gn "$USERNAME")" = "$(id -gn "$USERNAME")" ] || fail "$USERNAME is in other groups: $(id -Gn "$USERNAME")"
HOMEDIR=$(getent passwd "$USERNAME" | cut -d: -f6)
RUNTIME="$WORK/runtime"
install -d -m 700 -o "$USERNAME" -g "$(id -gn "$USERNAME")" "$RUNTIME" "$WORK/user"
echo "user $USERNAME ($(id "$USERNAME")), home $HOMEDIR"

# A command as the user, with only a login's environment. setpriv and env
# replace themselves with the command, so a background (exec ...) has the
# command's own process id in $!, which the clean-up ends.
AS_USER=(setpriv --reuid="$USERNAME" --regid="$(id -gn "$USERNAME")" --init-groups --
         env -i HOME="$HOMEDIR" USER="$USERNAME" LOGNAME="$USERNAME" PATH=/usr/local/bin:/usr/bin:/bin
         XDG_RUNTIME_DIR="$RUNTIME")
asuser() { "${AS_USER[@]}" "$@"; }
# Waits up to 60 s for a line in a file while the process runs.
await() {  # await PID FILE TEXT
  for _ in $(seq 600); do
    grep -qF -- "$3" "$2" 2>/dev/null && return 0
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  grep -qF -- "$3" "$2" 2>/dev/null
}
# The installed program started as the user from the home folder: offscreen,
# message boxes on standard error, "Connect" pressed once the window shows.
start_program() {  # start_program ERRFILE
  (cd "$HOMEDIR" && exec "${AS_USER[@]}" QT_QPA_PLATFORM=offscreen ZSN7ADJ_MSGBOX_STDERR=1 ZSN7ADJ_REPORT_SHOWN=1 \
    ZSN7ADJ_PRESS_CONNECT=1 /usr/bin/zsn7adj) 2>"$1" &
  program=$!
  pids+=("$program")
}
stop_program() {  # stop_program ERRFILE: SIGTERM, as at logout; it must end with 0
  local rc=0
  kill -TERM "$program"
  wait "$program" || rc=$?
  [ "$rc" -eq 0 ] || { cat "$1" >&2; fail "the program ended with $rc on SIGTERM"; }
}
# Points COM1 of the user's options profile at a device.
map_com1() {
  asuser sh -c 'f="$HOME/.config/zsn7adj/ZSN7ADJ.rs"; mkdir -p "${f%/*}"; touch "$f"
    grep -v "^COM1=" "$f" | grep -v "^\[PORTS\]" > "$f.new" || true
    printf "[PORTS]\nCOM1=%s\n" "$1" >> "$f.new"; mv "$f.new" "$f"' sh "$1"
}
# The simulator, as the given user, serving a pseudo-terminal at LINK.
start_sim() {  # start_sim LINK as-user|as-root
  local exe="$WORK/zt-n7-sim"
  install -m 755 "$BUILD/zt-n7-sim" "$exe"
  if [ "$2" = as-user ]; then (exec "${AS_USER[@]}" "$exe" --link "$1") >"$WORK/sim-user.log" 2>&1 &
  else "$exe" --link "$1" >"$WORK/sim-root.log" 2>&1 &
  fi
  pids+=("$!")
  for _ in $(seq 100); do [ -e "$1" ] && return 0; sleep 0.1; done
  fail "the simulator did not make $1"
}

echo "== the installed program as $USERNAME against the simulator"
asuser cp /usr/share/zsn7adj/Const.ini "$HOMEDIR/"
start_sim "$WORK/user/sim.tty" as-user
map_com1 "$WORK/user/sim.tty"
start_program "$WORK/connect.err"
await "$program" "$WORK/connect.err" "zsn7adj: window shown" ||
  { cat "$WORK/connect.err" >&2; fail "the installed program did not show its window"; }
images="$HOMEDIR/.local/share/zsn7adj/images"
for _ in $(seq 600); do
  compgen -G "$images/ZT-N7_*.csv" >/dev/null && break
  kill -0 "$program" 2>/dev/null || break
  sleep 0.1
done
sleep 1  # the first cycle's row of the record
stop_program "$WORK/connect.err"
if grep -E "^ZS-N7 ADJ|Cannot" "$WORK/connect.err"; then fail "the program showed a message"; fi
bins=("$images"/ZT-N7_*.bin)
[ -f "${bins[0]}" ] || { ls -laR "$HOMEDIR" >&2; fail "no archive in ~/.local/share/zsn7adj/images"; }
[ "$(stat -c %s "${bins[0]}")" -eq 12288 ] || fail "the archive ${bins[0]} is not 12288 bytes"
[ -f "${bins[0]%.bin}.csv" ] || fail "no service record beside ${bins[0]}"
profile="$HOMEDIR/.config/zsn7adj/ZSN7ADJ.rs"
grep -q "^ComPort=1" "$profile" || fail "the options are not in ~/.config/zsn7adj/ZSN7ADJ.rs"
grep -qx "COM1=$WORK/user/sim.tty" "$profile" || fail "the PORTS entry was lost from ZSN7ADJ.rs"
for f in "$profile" "${bins[0]}" "${bins[0]%.bin}.csv"; do
  [ "$(stat -c %U "$f")" = "$USERNAME" ] || fail "$f does not belong to $USERNAME"
done
[ ! -e /usr/bin/ZSN7ADJ.rs ] || fail "the options were written next to the program"
echo "options in ~/.config/zsn7adj/ZSN7ADJ.rs, archive ~/.local/share/zsn7adj/images/$(basename "${bins[0]}") and its record"

echo "== a port only root may open"
start_sim "$WORK/root-sim.tty" as-root
tty=$(readlink -f "$WORK/root-sim.tty")
chmod 600 "$tty"
echo "$(stat -c '%n %U:%G %A' "$tty")"
map_com1 "$WORK/root-sim.tty"
start_program "$WORK/denied.err"
await "$program" "$WORK/denied.err" "Cannot access COM1." ||
  { cat "$WORK/denied.err" >&2; fail "no \"Cannot access COM1.\" for a port the user may not open"; }
# The cause under the message ("No permission to open ... group ...") or the
# system's own reason on the standard-error line.
grep -Eq "No permission to open|Permission denied" "$WORK/denied.err" || { cat "$WORK/denied.err" >&2; fail "the reason is not told"; }
stop_program "$WORK/denied.err"
grep -E "Cannot access|Permission denied|No permission to open|usermod" "$WORK/denied.err"

echo "== the windowless tests as $USERNAME"
start=$SECONDS
(cd "$HOMEDIR" && asuser "$BUILD/zs_tests") >"$WORK/tests.log" 2>&1 ||
  { grep -E '^\[  FAILED  \]|Failure$' "$WORK/tests.log"; tail -n 40 "$WORK/tests.log"; fail "the windowless tests failed as $USERNAME"; }
grep -E '^\[  (PASSED|SKIPPED) +\] [0-9]+ tests?' "$WORK/tests.log" || true
# Permissions stop this user: the test of a folder it may not write ran.
grep -q '^\[       OK \] SafetyNet.AFolderTheUserMayNotWrite' "$WORK/tests.log" ||
  fail "the test of a folder the user may not write did not run as $USERNAME"
echo "windowless tests as $USERNAME took $((SECONDS - start)) s"
echo "user check passed"
