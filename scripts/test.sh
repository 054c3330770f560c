#!/usr/bin/env bash
# Installs what is missing, builds the release preset and runs every test.
# Usage: scripts/test.sh [preset]   (release by default; debug and asan work too)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
bash scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
# A private session bus for every test run, so tests never touch the desktop's.
exec dbus-run-session -- ctest --preset "$preset" -j "$(nproc)"
