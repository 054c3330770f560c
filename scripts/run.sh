#!/usr/bin/env bash
# The main job: installs what is missing, builds, and runs an optimization of
# a built-in model, showing its progress.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"
exec build/release/bin/qxdemo "$@"
