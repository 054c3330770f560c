#!/usr/bin/env bash
# The main job: installs what is missing, builds the release preset, then runs
# the sample add-in optimizing a built-in model while the Watcher shows the
# run. The Watcher lives on a private session bus that starts the built
# Watcher by D-Bus activation. Without a display (neither DISPLAY nor
# WAYLAND_DISPLAY) the Watcher draws offscreen and the run is unattended, so
# it ends by itself. Options after the script's name go to selvane-addin
# (`scripts/run.sh --help` lists them) and override the defaults below.
# `scripts/run.sh --efficient-frontier` runs the portfolio's series of
# optimizations over its risk limits, 8 seconds each, in the frontier
# windows; on screen it ends with the frontier's chart in a workbook.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)" --target selvane-addin selvane-watcher qxlib8 vntlib8

defaults=(--model portfolio --trials 0 --seconds 60 --recalc-us 250)
for arg in "$@"; do
  if [[ "$arg" == --efficient-frontier ]]; then
    # Five optimizations: about as long as the single run all together.
    defaults=(--model portfolio --trials 0 --seconds 8 --recalc-us 250)
  fi
done
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM=offscreen
  defaults+=(--unattended)
  echo "run: no display, so the Watcher draws offscreen and the run ends by itself" >&2
fi
exec dbus-run-session --config-file=build/release/dbus/session.conf -- \
  build/release/bin/selvane-addin "${defaults[@]}" "$@"
