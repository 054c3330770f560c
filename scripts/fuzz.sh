#!/usr/bin/env bash
# Builds the libFuzzer targets (clang) and runs each for the given seconds
# (default 30) from its seed corpus; a crash or hang fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
bash scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"
status=0
for target in build/fuzz/bin/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build/fuzz/corpus/$name"
  mkdir -p "$corpus"
  seeds="fuzz/corpus/$name"
  echo "fuzz: $name for ${seconds}s"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1)
  if [ -d "$seeds" ]; then
    "$target" "${args[@]}" "$corpus" "$seeds" || status=1
  else
    "$target" "${args[@]}" "$corpus" || status=1
  fi
done
exit $status
