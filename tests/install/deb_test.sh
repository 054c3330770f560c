#!/usr/bin/env bash
# Builds the Debian package with CPack and checks what a user installing it
# with `apt install ./selvane-watcher_*.deb` gets: the programs, libraries,
# header, pkg-config file and activation file under /usr, an activation file
# that starts /usr/bin/selvane-watcher, and run-time (never -dev) packages
# of Qt 6 and SQLite among the dependencies. Nothing is installed.
# Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" > "$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
debs=("$work"/out/selvane-watcher_*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: cpack made no selvane-watcher_*.deb" >&2; ls "$work/out" >&2; exit 1; }
deb="${debs[0]}"

field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = selvane-watcher ] || fail "Package: $(field Package)"
[ -n "$(field Version)" ] || fail "no Version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
depends="$(field Depends)"
for runtime in libqt6core6 libqt6gui6 libqt6widgets6 libqt6charts6 libqt6dbus6 libsqlite3-0 libc6; do
  printf '%s\n' "$depends" | grep -qE "(^|[ ,|])$runtime( |,|$)" || fail "Depends: does not name $runtime ($depends)"
done
if printf '%s\n' "$depends" | tr ',|' '\n\n' | grep -E -- '-dev( |$)'; then
  fail "Depends: names -dev packages ($depends)"
fi

dpkg-deb --contents "$deb" | awk '{ print $6 }' > "$work/contents"
for f in ./usr/bin/selvane-watcher ./usr/bin/selvane-addin ./usr/bin/qxdemo \
         ./usr/lib/libqxlib8.so ./usr/lib/libqxlib8.so.8 ./usr/lib/libvntlib8.so.8 ./usr/lib/libselvaneol.so.8 \
         ./usr/include/qxlib8.h ./usr/lib/pkgconfig/qxlib8.pc \
         ./usr/share/dbus-1/services/org.selvane.SelvaneWatcher8.service \
         ./usr/share/dbus-1/interfaces/org.selvane.SelvaneWatcher8.WatcherManager.xml; do
  grep -qx -- "$f" "$work/contents" || fail "$f is not in the package"
done
if grep -vE '^\./usr(/|$)' "$work/contents" | grep .; then
  fail "files outside /usr"
fi

mkdir "$work/root"
dpkg-deb --extract "$deb" "$work/root"
exec_line="$(grep '^Exec=' "$work/root/usr/share/dbus-1/services/org.selvane.SelvaneWatcher8.service")"
[ "$exec_line" = "Exec=/usr/bin/selvane-watcher --automation" ] || fail "activation file says '$exec_line'"
grep -qx 'prefix=/usr' "$work/root/usr/lib/pkgconfig/qxlib8.pc" || fail "qxlib8.pc does not name /usr"
if grep -rlF "$build" "$work/root/usr/share" "$work/root/usr/lib/pkgconfig"; then
  fail "files name the build tree"
fi

if [ "$failures" -ne 0 ]; then
  echo "deb test: $failures failures" >&2
  exit 1
fi
echo "deb test: every check passed ($(basename "$deb"), Depends: $depends)"
