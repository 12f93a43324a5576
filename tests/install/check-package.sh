#!/usr/bin/env bash
# Makes the Debian package from the build, unpacks it into a scratch root
# (dpkg-deb -x, as dpkg would install it) and checks that every file is in
# place, then starts the unpacked program (offscreen) the way the manual page
# tells a user to: the sample constants copied into the home folder, the
# program started there. It must show its window with no message, end on
# SIGTERM as at logout, and keep its options in ~/.config/zsn7adj, not next to
# itself. Started from a folder without Const.ini it must refuse to run.
# Usage: check-package.sh BUILD_DIR SOURCE_DIR [CPACK]
set -euo pipefail
# Relative folders are taken from the current one.
BUILD=$(realpath -m -- "$1")
SOURCE=$(realpath -m -- "$2")
CPACK=${3:-cpack}
SCRATCH="$BUILD/package-check"
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH"
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$BUILD" && "$CPACK" -G DEB -B "$SCRATCH" >"$SCRATCH/cpack.log" 2>&1) ||
  { cat "$SCRATCH/cpack.log" >&2; fail "cpack failed"; }
debs=("$SCRATCH"/zsn7adj_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single zsn7adj_<version>_amd64.deb made: ${debs[*]}"
deb=${debs[0]}
echo "package: $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
  grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

ROOT="$SCRATCH/root"
dpkg-deb -x "$deb" "$ROOT"
for f in usr/bin/zsn7adj \
         usr/share/applications/zsn7adj.desktop \
         usr/share/icons/hicolor/16x16/apps/zsn7adj.png usr/share/icons/hicolor/32x32/apps/zsn7adj.png \
         usr/share/icons/hicolor/48x48/apps/zsn7adj.png usr/share/icons/hicolor/64x64/apps/zsn7adj.png \
         usr/share/metainfo/zsn7adj.metainfo.xml \
         usr/share/man/man1/zsn7adj.1.gz \
         usr/share/zsn7adj/Const.ini \
         usr/share/doc/zsn7adj/copyright usr/share/doc/zsn7adj/changelog.gz; do
  [ -f "$ROOT/$f" ] || fail "not in the package: /$f"
done
[ -x "$ROOT/usr/bin/zsn7adj" ] || fail "/usr/bin/zsn7adj is not executable"
cmp -s "$ROOT/usr/share/zsn7adj/Const.ini" "$SOURCE/Const.ini" || fail "packaged Const.ini differs from the sample"
for key in "Exec=zsn7adj" "Icon=zsn7adj" "Type=Application"; do
  grep -qx "$key" "$ROOT/usr/share/applications/zsn7adj.desktop" || fail "desktop entry lacks $key"
done
meta="$ROOT/usr/share/metainfo/zsn7adj.metainfo.xml"
for text in '<launchable type="desktop-id">zsn7adj.desktop</launchable>' '<screenshot type="default">' '<description>'; do
  grep -qF "$text" "$meta" || fail "metainfo lacks $text"
done
man=$(gzip -dc "$ROOT/usr/share/man/man1/zsn7adj.1.gz")
for text in Const.ini /usr/share/zsn7adj/Const.ini .config/zsn7adj/ZSN7ADJ.rs '[PORTS]' dialout; do
  grep -qF -- "$text" <<<"$man" || fail "manual page does not mention $text"
done

# The program as a user starts it, with a home folder of its own.
export HOME="$SCRATCH/home" XDG_RUNTIME_DIR="$SCRATCH/run"
unset XDG_CONFIG_HOME DISPLAY WAYLAND_DISPLAY
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen ZSN7ADJ_REPORT_SHOWN=1 ZSN7ADJ_MSGBOX_STDERR=1
program="$ROOT/usr/bin/zsn7adj"

# As the manual page says: cp /usr/share/zsn7adj/Const.ini ~/ and start it there.
cp "$ROOT/usr/share/zsn7adj/Const.ini" "$HOME/"
(cd "$HOME" && exec "$program") 2>"$SCRATCH/start.err" &
pid=$!
for _ in $(seq 200); do
  grep -q "zsn7adj: window shown" "$SCRATCH/start.err" && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
grep -q "zsn7adj: window shown" "$SCRATCH/start.err" ||
  { kill "$pid" 2>/dev/null; cat "$SCRATCH/start.err" >&2; fail "the installed program did not show its window"; }
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
[ "$rc" -eq 0 ] || { cat "$SCRATCH/start.err" >&2; fail "the program ended with $rc on SIGTERM"; }
# Message boxes come as "ZS-N7 ADJ Rev.1.0: <text>" (Qt's own notes on the
# offscreen platform may be there too).
if grep -E "^ZS-N7 ADJ|Cannot" "$SCRATCH/start.err"; then
  fail "the program showed a message at its start"
fi
[ -f "$HOME/.config/zsn7adj/ZSN7ADJ.rs" ] || fail "options not saved in ~/.config/zsn7adj/ZSN7ADJ.rs"
grep -q "^ComPort=" "$HOME/.config/zsn7adj/ZSN7ADJ.rs" || fail "ZSN7ADJ.rs holds no options"
[ ! -e "$ROOT/usr/bin/ZSN7ADJ.rs" ] || fail "the options were written next to the program"
echo "started from $HOME with the sample constants; options in ~/.config/zsn7adj/ZSN7ADJ.rs"

# Without Const.ini in the current folder it says so and ends.
mkdir -p "$SCRATCH/empty"
rc=0
(cd "$SCRATCH/empty" && timeout 30 "$program") 2>"$SCRATCH/none.err" || rc=$?
[ "$rc" -eq 0 ] || { cat "$SCRATCH/none.err" >&2; fail "ended with $rc without Const.ini"; }
grep -q "Cannot read 'Const.ini'." "$SCRATCH/none.err" || { cat "$SCRATCH/none.err" >&2; fail "no message without Const.ini"; }
! grep -q "window shown" "$SCRATCH/none.err" || fail "the window opened without Const.ini"
echo "without Const.ini: $(grep -m1 "Const.ini" "$SCRATCH/none.err")"
echo "package check passed"
