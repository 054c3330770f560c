#!/usr/bin/env bash
# Renders the Watcher's windows in their main states, in English and German,
# into docs/screenshots/ (offscreen unless told otherwise).
# Usage: scripts/screenshots.sh [build-dir]   (build/release by default)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
if [ ! -f "$build/build.ninja" ]; then
  cmake --preset release >/dev/null
  build=build/release
fi
cmake --build "$build" --target selvane-screenshots
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
for language in 9 7; do
  SELVANE_LANGUAGE=$language "$build/bin/selvane-screenshots" --out docs/screenshots
done
