#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running, testing, packaging
# and CI need. Only missing packages are installed, without recommended
# packages, so this list must name everything the build uses that a minimal
# Debian system lacks: scripts/check-setup.sh (run by CI) checks that it does.
# Run as root (or with sudo available).
# Usage: scripts/setup.sh          install what is missing
#        scripts/setup.sh --list   print the list, one package a line
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev
  libsqlite3-dev sqlite3
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-x11 xauth xvfb
  dpkg-dev file
  libxlsxwriter-dev python3 python3-openpyxl
)
# Why the less obvious ones:
#   libqt6opengl6-dev  Qt6Charts' CMake configuration needs Qt6OpenGL, and
#                      qt6-charts-dev only recommends it
#   pkg-config         Qt's CMake configuration looks for libraries with it;
#                      the install test builds a program with it
#   dpkg-dev, file     cpack -G DEB computes the package's dependencies with
#                      dpkg-shlibdeps and finds the binaries with file
#   libxlsxwriter-dev  the sample add-in writes the frontier chart into a
#                      real .xlsx workbook with it
#   python3            the workbook test opens the .xlsx's zip and reads its
#                      chart part with the standard library
#   python3-openpyxl   the frontier end-to-end test reads the add-in's workbook
#                      with a spreadsheet reader, chart and cells as a
#                      spreadsheet program sees them

if [ "${1:-}" = "--list" ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
