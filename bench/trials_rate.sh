#!/usr/bin/env bash
# The sample add-in's trials per second with no Watcher against the same run
# with the Watcher's full window open on the population tab, which rebuilds
# its grid from the population (under the population lock) every second.
# The two kinds of run alternate (ABAB...) so both see the same machine load.
#
# Usage: bench/trials_rate.sh [build dir]   (default build/release)
# Environment: RUNS (runs of each kind, default 5), TRIALS (default 20000),
# MODEL (default route: 12 genes, the most of the built-in models),
# POPULATION (default 512: the grid's full row count), RECALC_US (default 250).
#
# The rate of a run is measured between its first and last progress lines
# (trial count and wall clock), so the Watcher's start and the windows'
# set-up are not counted. The Watcher opens the population tab after the
# first trial (SELVANE_WATCHER_OPEN_TAB), before the first progress line.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
runs=${RUNS:-5}
trials=${TRIALS:-20000}
model=${MODEL:-route}
population=${POPULATION:-512}
recalc=${RECALC_US:-250}
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Prints the trials per second of one run; $1 is "none" or "population".
one_run() {
  local kind=$1 extra=()
  [[ $kind == none ]] && extra=(--no-watcher)
  rm -f "$work"/run.qxlog*
  SELVANE_WATCHER_OPEN_TAB=population \
    dbus-run-session --config-file="$build/dbus/session.conf" -- \
    "$build/bin/selvane-addin" --model "$model" --population "$population" --trials "$trials" \
    --recalc-us "$recalc" --unattended --log "$work/run.qxlog" "${extra[@]}" 2>/dev/null |
    while IFS= read -r line; do
      if [[ $line == trial* ]]; then echo "$EPOCHREALTIME $line"; fi
    done |
    awk 'NR == 1 { t0 = $1; n0 = $3 } { t1 = $1; n1 = $3 }
         END { if (t1 > t0) printf "%.1f\n", (n1 - n0) / (t1 - t0); else print "nan" }'
}

echo "model $model, population $population, $trials trials, --recalc-us $recalc, $runs runs of each"
echo "load before: $(uptime)"
: >"$work/none"
: >"$work/population"
for i in $(seq 1 "$runs"); do
  for kind in none population; do
    rate=$(one_run "$kind")
    echo "run $i $kind: $rate trials/s"
    echo "$rate" >>"$work/$kind"
  done
done
echo "load after: $(uptime)"
python3 - "$work/none" "$work/population" <<'EOF'
import statistics, sys
def read(path):
    return [float(x) for x in open(path) if x.strip() and x.strip() != "nan"]
none, pop = read(sys.argv[1]), read(sys.argv[2])
def show(name, v):
    print(f"{name}: {statistics.median(v):.0f} trials/s [{min(v):.0f}..{max(v):.0f}] ({len(v)} runs)")
show("no Watcher             ", none)
show("Watcher, population tab", pop)
ratio = statistics.median(pop) / statistics.median(none)
print(f"ratio (population tab / no Watcher, medians): {ratio:.3f}  loss {100 * (1 - ratio):.1f}%")
# Each population run against the no-Watcher run just before it: the pairs
# saw the closest load.
pairs = [p / n for n, p in zip(none, pop)]
print(f"ratio of each pair: median {statistics.median(pairs):.3f} [{min(pairs):.3f}..{max(pairs):.3f}]"
      f"  loss {100 * (1 - statistics.median(pairs)):.1f}%")
EOF
