#!/usr/bin/env bash
# The README's test command on a fresh Debian 12: makes a minimal bookworm
# root with debootstrap, copies the checkout's files into it (no
# build folder, nothing installed on this machine), mounts what a build and
# the tests need, runs `bash scripts/test.sh` there and then, in the same
# root, installs the package it made and checks it as a normal user
# (tests/install/check-as-user.sh). Every mount is undone and the root
# removed whatever happens (ZS_KEEP_ROOT=1 keeps the root for a look).
#
# Needs root and debootstrap on this machine. The machine's package cache
# (/var/cache/apt/archives) is shared with the new root to save downloads:
# debootstrap takes its packages from there, apt in the root sees it
# read-only, and what they download is added to it.
#
#   bash scripts/fresh-check.sh
#
# ZS_FRESH_DIR: where the root is made (default a new folder in /var/tmp);
# ZS_DEBIAN_MIRROR: the mirror (default http://deb.debian.org/debian).
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD

if [ "$(id -u)" -ne 0 ]; then
  echo "fresh-check.sh makes a root with debootstrap and mounts into it: run it as root." >&2
  exit 2
fi
if ! command -v debootstrap >/dev/null; then
  echo "debootstrap is missing: apt-get install debootstrap" >&2
  exit 2
fi

MIRROR=${ZS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
APT_CACHE=/var/cache/apt/archives
WORK=${ZS_FRESH_DIR:-$(mktemp -d /var/tmp/zs-fresh.XXXXXX)}
mkdir -p "$WORK"
WORK=$(realpath "$WORK")
R="$WORK/root"
[ ! -e "$R" ] || { echo "fresh-check: $R exists already; a fresh root needs a new folder" >&2; exit 2; }
bootstrap=

cleanup() {
  local rc=$? p m left=0
  set +e
  # Processes left in the root (a simulator, wineserver, dpkg of an
  # unfinished debootstrap) would keep its mounts busy; they all descend
  # from this run.
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$R" ] && kill -KILL "${p#/proc/}" 2>/dev/null && left=1
  done
  [ "$left" = 0 ] || sleep 1
  if [ -n "$bootstrap" ] && kill -0 "$bootstrap" 2>/dev/null; then
    kill -TERM "$bootstrap"
    wait "$bootstrap"
  fi
  if [ -d "$WORK/apt-new" ] && [ -d "$APT_CACHE" ]; then
    find "$WORK/apt-new" -maxdepth 1 -name '*.deb' -type f -exec cp -n -t "$APT_CACHE" {} + 2>/dev/null
  fi
  # Every mount under the root, the deepest first: this script's and any
  # an interrupted debootstrap left.
  findmnt -rn -o TARGET | grep -F "$R/" | sort -r | while read -r m; do
    umount "$m" 2>/dev/null || umount -l "$m" || echo "fresh-check: could not unmount $m" >&2
  done
  if [ "${ZS_KEEP_ROOT:-0}" = 1 ]; then
    echo "fresh-check: the root is kept in $R"
  elif findmnt -rn -o TARGET | grep -qF "$R/"; then
    echo "fresh-check: something is still mounted under $R; not removing it" >&2
  else
    # Only what this run made there (ZS_FRESH_DIR may be a folder of the user's).
    rm -rf --one-file-system "$R" "$WORK/apt-new" "$WORK/apt-work" "$WORK/debootstrap.log"
    rmdir "$WORK" 2>/dev/null
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

mnt() {  # mnt TARGET MOUNT-ARGUMENTS...
  local target=$1
  shift
  mkdir -p "$target"
  mount "$@" "$target"
}

start=$SECONDS
stage() { echo "== fresh-check: $* ($((SECONDS - start)) s)"; }

stage "debootstrap --variant=minbase bookworm $MIRROR into $R"
mkdir -p "$R"
# The packages debootstrap fetches land in the machine's package cache and
# are taken from there next time (the same file names as apt's).
cache_opt=()
[ -d "$APT_CACHE" ] && cache_opt=(--cache-dir="$APT_CACHE")
# In the background and waited for, like the commands in the root below,
# so that a signal to this script is handled at once.
debootstrap --variant=minbase "${cache_opt[@]}" bookworm "$R" "$MIRROR" >"$WORK/debootstrap.log" 2>&1 &
bootstrap=$!
wait "$bootstrap" ||
  { tail -n 30 "$WORK/debootstrap.log" >&2; echo "fresh-check: debootstrap failed" >&2; exit 1; }
bootstrap=

stage "mounting /proc, /sys, /dev, /dev/pts, /dev/shm and the package cache"
mnt "$R/proc" -t proc proc
mnt "$R/sys" -t sysfs sysfs
mnt "$R/dev" --bind /dev
# A pseudo-terminal instance of the root's own, with its own ptmx.
mnt "$R/dev/pts" -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 devpts
mnt "$R/dev/shm" -t tmpfs -o mode=1777 tmpfs
# The machine's package cache, read-only under a layer of the root's own:
# apt in the root finds every package already downloaded, while its lock
# and its new downloads stay in the layer (no clash with an apt running on
# the machine); the clean-up adds the new packages to the cache.
if [ -d "$APT_CACHE" ]; then
  mkdir -p "$WORK/apt-new" "$WORK/apt-work"
  mnt "$R/var/cache/apt/archives" -t overlay overlay \
    -o "lowerdir=$APT_CACHE,upperdir=$WORK/apt-new,workdir=$WORK/apt-work"
fi

# In /srv, where the normal user of the package check may read the build
# (the windowless tests run as that user too).
CHECKOUT=/srv/zsn7adj
stage "copying the checkout's files (not what git ignores) to $CHECKOUT"
mkdir -p "$R$CHECKOUT"
if git -C "$SRC" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  # The files as they are in the work tree, changes and new files not yet
  # committed included; no build folder, nothing ignored, nothing deleted.
  git -C "$SRC" ls-files -z --cached --others --exclude-standard |
    (cd "$SRC" && tar --null --ignore-failed-read -T - -cf - 2>/dev/null) | tar -xf - -C "$R$CHECKOUT"
else
  tar -C "$SRC" --exclude='./build*' -cf - . | tar -xf - -C "$R$CHECKOUT"
fi

# Only what a fresh login would have: no variable of this machine's session.
# In the background and waited for, so that a signal to this script is
# handled at once (the clean-up ends what runs in the root).
inroot() {
  chroot "$R" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    TERM=dumb CI="${CI:-}" "$@" </dev/null &
  wait "$!"
}

stage "bash scripts/test.sh in the fresh root"
inroot bash -c "cd $CHECKOUT && bash scripts/test.sh"

stage "apt install of the package and the program as a normal user"
inroot bash "$CHECKOUT/tests/install/check-as-user.sh" "$CHECKOUT/build"

stage "passed"
