#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses it the way a user
# would, with nothing from the build tree: every file is where it belongs,
# the programs find their libraries without LD_LIBRARY_PATH, a C program
# built with only `pkg-config --cflags --libs qxlib8` uses the engine, and
# the sample add-in run on a private bus whose only service folder is the
# prefix's share/dbus-1/services gets the installed Watcher activated.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source_dir="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" > "$work/install.log"

# ---- the layout ----
for f in bin/selvane-watcher bin/selvane-addin bin/qxdemo \
         lib/libqxlib8.so lib/libvntlib8.so lib/libselvaneol.so \
         include/qxlib8.h include/vntlib8.h include/selvane/ol/Directories.h include/selvane/ol/NamedMutex.h \
         lib/pkgconfig/qxlib8.pc lib/pkgconfig/selvaneol.pc \
         share/dbus-1/services/org.selvane.SelvaneWatcher8.service \
         share/dbus-1/interfaces/org.selvane.SelvaneWatcher8.WatcherManager.xml \
         share/dbus-1/interfaces/org.selvane.SelvaneWatcher8.Factory.xml \
         share/doc/selvane-watcher/README.md; do
  [ -e "$prefix/$f" ] || fail "$f is not installed"
done
for lib in qxlib8 vntlib8 selvaneol; do
  soname="$(objdump -p "$prefix/lib/lib$lib.so" | awk '$1 == "SONAME" { print $2 }')"
  [ "$soname" = "lib$lib.so.8" ] || fail "lib$lib.so has SONAME '$soname', not lib$lib.so.8"
  [ -L "$prefix/lib/lib$lib.so" ] && [ -e "$prefix/lib/$soname" ] || fail "lib$lib.so has no SONAME link"
done
for f in "$prefix"/bin/*; do
  case "$(basename "$f")" in *_test|*_tests|*_bench|*_fuzz|selvane-screenshots) fail "$f is a developer's program" ;; esac
done
# The help pages, where the Watcher's data-folder lookup finds them
# (<prefix>/lib/../share/selvane), with the topics the windows open.
for lang in en de; do
  page="$prefix/share/selvane/help/$lang/watcher.html"
  if [ -f "$page" ]; then
    for context in 0 1080 1090 1100 1110 1120 1130 1200 9101 9102; do
      grep -q "id=\"context-$context\"" "$page" || fail "help/$lang/watcher.html has no topic $context"
    done
  else
    fail "help/$lang/watcher.html is not installed"
  fi
done
# The product icon in the desktop's icon theme, as SVG and at every size.
[ -f "$prefix/share/icons/hicolor/scalable/apps/selvane-watcher.svg" ] || fail "the scalable icon is not installed"
for size in 16 24 32 48 64 128 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/selvane-watcher.png"
  if [ -f "$png" ]; then
    dims="$(file -b "$png" | grep -o '[0-9]* x [0-9]*')"
    [ "$dims" = "$size x $size" ] || fail "the ${size}x${size} icon is $dims"
  else
    fail "the ${size}x${size} icon is not installed"
  fi
done
exec_line="$(grep '^Exec=' "$prefix/share/dbus-1/services/org.selvane.SelvaneWatcher8.service")"
[ "$exec_line" = "Exec=$prefix/bin/selvane-watcher --automation" ] || fail "activation file says '$exec_line'"

# Programs find the project's libraries in the prefix, not in the build tree.
for program in selvane-watcher selvane-addin qxdemo; do
  if ldd "$prefix/bin/$program" | grep -q "not found"; then
    fail "$program misses libraries: $(ldd "$prefix/bin/$program" | grep 'not found' | tr -s ' \t' ' ')"
  fi
  if ldd "$prefix/bin/$program" | grep -F "$build/" >/dev/null; then
    fail "$program loads libraries from the build tree"
  fi
done
# The file a program loads for a library's SONAME, as a plain path.
loaded() { realpath "$(ldd "$1" | awk -v so="$2" '$1 == so { print $3 }')"; }
[ "$(loaded "$prefix/bin/selvane-addin" libqxlib8.so.8)" = "$prefix/lib/libqxlib8.so.8.1.0" ] ||
  fail "selvane-addin does not load the prefix's libqxlib8"
[ "$(loaded "$prefix/bin/selvane-watcher" libselvaneol.so.8)" = "$prefix/lib/libselvaneol.so.8.1.0" ] ||
  fail "selvane-watcher does not load the prefix's libselvaneol"

# ---- an add-in author's program, built with pkg-config alone ----
flags="$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs qxlib8)"
# shellcheck disable=SC2086
cc -std=c11 -Wall -Wextra -Werror -o "$work/engine_sample" "$source_dir/tests/install/engine_sample.c" $flags
mkdir -p "$work/log"
env -u LD_LIBRARY_PATH SELVANE_LOG_DIR="$work/log" SELVANE_INSTANCE="install-test-$$" \
  "$work/engine_sample" "$work/sample.qxlog" > "$work/sample.out" || fail "engine_sample failed"
grep -qx "ok 42.25" "$work/sample.out" || fail "engine_sample printed '$(cat "$work/sample.out")'"
[ "$(loaded "$work/engine_sample" libqxlib8.so.8)" = "$prefix/lib/libqxlib8.so.8.1.0" ] ||
  fail "engine_sample does not load the prefix's libqxlib8"

# ---- the sample add-in on a private bus that knows only the prefix ----
sed "s|<servicedir>.*</servicedir>|<servicedir>$prefix/share/dbus-1/services</servicedir>|" \
  "$build/dbus/session.conf" > "$work/session.conf"
grep -qF "<servicedir>$prefix/share/dbus-1/services</servicedir>" "$work/session.conf" || fail "no service folder in session.conf"
cat > "$work/run.sh" <<'INNER'
set -u
"$PREFIX/bin/selvane-addin" --model portfolio --trials 400 --seconds 0 --recalc-us 2000 --unattended \
  > "$WORK/addin.out" 2> "$WORK/addin.err" &
addin=$!
# While the run goes on, ask the bus which process owns the Watcher's name.
for _ in $(seq 1 600); do
  reply="$(dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.selvane.SelvaneWatcher8 2>/dev/null)" && {
    pid="$(printf '%s\n' "$reply" | awk '/uint32/ { print $2 }')"
    readlink "/proc/$pid/exe" > "$WORK/watcher.exe"
    # The engine library it loads from its system directory, once it has.
    for _ in $(seq 1 600); do
      grep -o '/[^ ]*libqxlib8[^ ]*' "/proc/$pid/maps" 2>/dev/null | sort -u > "$WORK/watcher.qxlib"
      [ -s "$WORK/watcher.qxlib" ] && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.05
    done
    break
  }
  kill -0 "$addin" 2>/dev/null || break
  sleep 0.05
done
wait "$addin"
echo "$?" > "$WORK/addin.rc"
INNER
env -u LD_LIBRARY_PATH -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen PREFIX="$prefix" WORK="$work" \
  SELVANE_LOG_DIR="$work/log" SELVANE_INSTANCE="install-test-$$" \
  timeout 240 dbus-run-session --config-file="$work/session.conf" -- bash "$work/run.sh" || fail "the private bus session failed"
rc="$(cat "$work/addin.rc" 2>/dev/null || echo none)"
[ "$rc" = 0 ] || { fail "selvane-addin exited with $rc"; cat "$work/addin.err" >&2 || true; }
exe="$(cat "$work/watcher.exe" 2>/dev/null || echo "no Watcher seen on the bus")"
[ "$exe" = "$prefix/bin/selvane-watcher" ] || fail "the activated Watcher is '$exe', not $prefix/bin/selvane-watcher"
qxlib="$(cat "$work/watcher.qxlib" 2>/dev/null)"
[ "$qxlib" = "$prefix/lib/libqxlib8.so.8.1.0" ] || fail "the Watcher loaded the engine library '$qxlib', not the prefix's"

if [ "$failures" -ne 0 ]; then
  echo "install test: $failures failures" >&2
  exit 1
fi
echo "install test: every check passed ($prefix)"
