#!/usr/bin/env bash
# The setup check against this build: setup.sh's list passes; the list as it
# was before libqt6opengl6-dev was added fails, naming that package.
# Usage: setup_check_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build="$1"
source_dir="$2"
check="$source_dir/scripts/check-setup.sh"
failures=0

if ! bash "$check" "$build"; then
  echo "FAIL: setup.sh's list does not pass the setup check" >&2
  failures=$((failures + 1))
fi

out="$(bash "$check" --packages "$source_dir/tests/data/setup-packages-without-opengl.txt" "$build" 2>&1)"
rc=$?
if [ "$rc" -ne 1 ]; then
  echo "FAIL: the list without libqt6opengl6-dev gave exit code $rc, not 1" >&2
  failures=$((failures + 1))
fi
if ! printf '%s\n' "$out" | grep -q "does not install libqt6opengl6-dev, which the build uses"; then
  echo "FAIL: the check did not name libqt6opengl6-dev:" >&2
  printf '%s\n' "$out" >&2
  failures=$((failures + 1))
fi
exit "$failures"
