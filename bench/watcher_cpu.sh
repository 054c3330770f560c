#!/usr/bin/env bash
# Runs the sample add-in for 30 s with the Watcher (offscreen, unattended) and
# reports the Watcher's CPU time over the run from /proc.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
status=$(mktemp)
export QT_QPA_PLATFORM=offscreen
dbus-run-session --config-file=$build/dbus/session.conf -- bash -c "
  $build/bin/selvane-addin --model route --trials 0 --seconds 30 --unattended --status-file $status > /dev/null &
  addin=\$!
  for i in \$(seq 1 100); do pid=\$(grep -s '^watcher_pid=' $status | cut -d= -f2); [ -n \"\$pid\" ] && [ \"\$pid\" != 0 ] && break; sleep 0.1; done
  start=\$(date +%s.%N); read -r -a s < /proc/\$pid/stat; t0=\$((s[13]+s[14]))
  sleep 28
  end=\$(date +%s.%N); read -r -a s < /proc/\$pid/stat; t1=\$((s[13]+s[14]))
  hz=\$(getconf CLK_TCK)
  python3 -c \"print('watcher pid', \$pid, 'cpu', (\$t1-\$t0)/\$hz, 's over', round(\$end-\$start,1), 's wall =', round(100*(\$t1-\$t0)/\$hz/(\$end-\$start),2), '% of a core')\"
  wait \$addin
"
