#!/usr/bin/env bash
# Installs everything the build, the tests and the program need on Debian 12.
# Idempotent: packages already present are left alone. Extra package names
# given as arguments are installed as well (scripts/fuzz.sh adds clang).
# With --only, just the packages named after it are installed, without their
# recommended extras (scripts/windows-core.sh needs no Qt).
set -euo pipefail
APT_OPTS=()
ONLY=0
if [ "${1:-}" = --only ]; then
  shift
  ONLY=1
  PKGS=("$@")
  APT_OPTS=(--no-install-recommends)
else
  # file: CPack's Debian package generator runs it to find the binaries
  # whose library dependencies dpkg-shlibdeps (dpkg-dev) works out.
  # qt6-base-dev brings Qt PrintSupport (the report's print dialog);
  # poppler-utils reads the report's PDF back in the tests (pdftotext) and
  # draws its pages for the documentation (pdftoppm).
  PKGS=(cmake ninja-build g++ pkg-config dpkg-dev file
        qt6-base-dev libqt6serialport6-dev qt6-qpa-plugins
        googletest libgtest-dev libgmock-dev libbenchmark-dev
        fonts-liberation fonts-dejavu-core locales poppler-utils "$@")
fi
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "These packages are missing: ${missing[*]}" >&2
    echo "Run this script as root (or with sudo) to install them." >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${APT_OPTS[@]}" "${missing[@]}"
fi

# The tests of shown numbers run a second time under a locale that writes
# decimals with a comma; generate it when the system does not have it yet.
if [ "$ONLY" = 0 ] && ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "The locale de_DE.UTF-8 is missing; run this script as root to generate it." >&2
    exit 1
  fi
  if [ -f /etc/locale.gen ] && grep -q '^# *de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  elif ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen >/dev/null
fi
