#!/usr/bin/env bash
# Checks that scripts/setup.sh installs every Debian package a configured and
# built tree uses, so that the README's commands work on a fresh Debian 12
# machine and not only on one that happens to have extra packages.
#
# Usage: scripts/check-setup.sh [--setup SCRIPT | --packages FILE] BUILD_DIR
#   BUILD_DIR       a configured (and, for the ldd part, built) build tree
#   --setup SCRIPT  take the package list from `bash SCRIPT --list`, or from
#                   its packages=( ... ) array when it has no --list (an
#                   older setup.sh); default: scripts/setup.sh beside this one
#   --packages FILE take the package list from FILE, one name a line
#
# What the build uses:
#   - every CMake package configuration the configure step found: the
#     *_DIR entries of CMakeCache.txt that name a folder under /usr holding a
#     *Config.cmake / *-config.cmake file;
#   - every file under /usr that build.ninja names: the CMake modules and
#     package files the configure step read, the compilers, the code
#     generators, the libraries and archives the build links;
#   - every shared library that the built programs (bin/*) and libraries
#     (lib/*.so*) load, as ldd resolves them.
# Each file is mapped to its package as dpkg -S does. The packages that setup.sh
# provides are its list plus the closure of that list over hard dependencies
# (Depends and Pre-Depends, never Recommends) computed with apt-cache depends,
# plus the packages of Priority: required, which every Debian system has
# (debootstrap's minimal base installs exactly those), plus apt, which runs
# setup.sh itself. Packages that this machine merely happens to have installed
# count for nothing. Exits 1 naming every used package outside that set and
# what needed it, and every listed name apt does not know; 0 when there is
# none.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
setup="$here/setup.sh"
packages_file=""
build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --setup) setup="$2"; shift 2 ;;
    --packages) packages_file="$2"; shift 2 ;;
    -h|--help) sed -n '2,/^set -euo/p' "$0" | sed '$d'; exit 0 ;;
    -*) echo "check-setup: unknown option $1 (see --help)" >&2; exit 2 ;;
    *) build="$1"; shift ;;
  esac
done
if [ -z "$build" ] || [ ! -f "$build/CMakeCache.txt" ]; then
  echo "check-setup: give a configured build folder (one with CMakeCache.txt), e.g. build/release" >&2
  exit 2
fi
build="$(cd "$build" && pwd)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# ---- the list setup.sh installs ----
if [ -n "$packages_file" ]; then
  grep -v '^[[:space:]]*\(#\|$\)' "$packages_file" | tr -s ' \t' '\n\n' | sed '/^$/d' > "$work/list"
elif grep -q -- '--list' "$setup"; then
  bash "$setup" --list > "$work/list"
else
  # An older setup script without --list: read its packages=( ... ) array.
  sed -n '/^packages=(/,/)/p' "$setup" | sed 's/packages=(//; s/)//; s/#.*//' |
    tr -s ' \t' '\n\n' | sed '/^$/d' > "$work/list"
fi
if [ ! -s "$work/list" ]; then
  echo "check-setup: the package list is empty" >&2
  exit 2
fi

# ---- files the build uses, each with the reason it is used ----
: > "$work/used"   # lines: path<TAB>reason
while IFS= read -r line; do
  name="${line%%:*}"
  dir="${line#*=}"
  case "$dir" in /usr/*) ;; *) continue ;; esac
  [ -d "$dir" ] || continue
  for f in "$dir"/*Config.cmake "$dir"/*-config.cmake; do
    [ -f "$f" ] && printf '%s\t%s\n' "$f" "CMake package $name" >> "$work/used"
  done
done < <(grep -E '^[A-Za-z0-9_.+-]+_DIR:[A-Z]+=' "$build/CMakeCache.txt" || true)

if [ -f "$build/build.ninja" ]; then
  grep -oE '/usr/[^][ "'"'"';:$(){}<>|,]+' "$build/build.ninja" | sort -u | while IFS= read -r f; do
    [ -f "$f" ] && printf '%s\t%s\n' "$f" "used by the build (build.ninja)"
  done >> "$work/used"
fi

: > "$work/unresolved"
for f in "$build"/bin/* "$build"/lib/*.so*; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  head -c 4 "$f" | grep -q 'ELF' || continue
  rel="${f#"$build"/}"
  ldd "$f" 2>/dev/null | while IFS= read -r l; do
    case "$l" in
      *"=> not found"*) printf '%s\t%s\n' "${l%% =>*}" "$rel" | sed 's/^[[:space:]]*//' >> "$work/unresolved" ;;
      *"=> /"*) p="${l#*=> }"; p="${p%% (*}"
                case "$p" in "$build"/*) ;; *) printf '%s\t%s\n' "$p" "linked by $rel" ;; esac ;;
      /*) p="${l%% (*}"; p="${p//[[:space:]]/}"; printf '%s\t%s\n' "$p" "linked by $rel" ;;
    esac
  done >> "$work/used"
done

# ---- their packages ----
# dpkg knows a file under the path its package shipped; with merged /usr
# the path a tool reports may be the other spelling, or a symbolic link made
# by update-alternatives, so each file is looked up under each of those
# spellings. The lookup reads dpkg's file lists (what dpkg -S searches) in
# one pass: dpkg -S itself matches every pattern against every file and takes
# minutes for a few hundred paths.
sort -u -t$'\t' -k1,1 "$work/used" > "$work/used.sorted"
cut -f1 "$work/used.sorted" | while IFS= read -r f; do
  r="$(readlink -f "$f")"
  for c in "$f" "${f#/usr}" "/usr$f" "$r" "${r#/usr}"; do
    case "$c" in /*) printf '%s\t%s\n' "$c" "$f" ;; esac
  done
done | sort -u > "$work/spellings"   # lines: spelling<TAB>file
cut -f1 "$work/spellings" | sort -u > "$work/paths"
admindir="$(dpkg-query --version >/dev/null && echo /var/lib/dpkg)"
# "/var/lib/dpkg/info/pkg:amd64.list:/path" -> "/path<TAB>pkg"
{ grep -F -x -f "$work/paths" "$admindir"/info/*.list 2>/dev/null || true; } |
  sed -E 's|^.*/info/([^/:]+)(:[a-z0-9]+)?\.list:|\1\t|' |
  awk -F'\t' '{ print $2 "\t" $1 }' | sort -u -t$'\t' -k1,1 > "$work/dpkg"
: > "$work/owned"    # lines: package<TAB>path<TAB>reason
: > "$work/orphans"  # lines: path<TAB>reason
awk -F'\t' -v spellings="$work/spellings" -v dpkg="$work/dpkg" -v owned="$work/owned" -v orphans="$work/orphans" '
  BEGIN {
    while ((getline l < dpkg) > 0) { split(l, a, "\t"); pkg[a[1]] = a[2] }
    while ((getline l < spellings) > 0) {
      split(l, a, "\t")
      if ((a[1] in pkg) && !(a[2] in of)) of[a[2]] = pkg[a[1]]
    }
  }
  { if ($1 in of) print of[$1] "\t" $1 "\t" $2 > owned; else print $1 "\t" $2 > orphans }
' "$work/used.sorted"

# ---- what setup.sh's list brings: its closure over hard dependencies ----
# apt-cache depends --recurse follows every alternative of a group (a | b)
# and every provider of a virtual package, while apt installs only one: the
# one already chosen, else the first (of a virtual package, a provider already
# chosen, else the first provider). So the recursive listing is read once and
# the closure is walked here, breadth first, choosing as apt does.
sed 's/:.*//' "$work/list" | sort -u > "$work/roots"
# shellcheck disable=SC2046
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
  --no-replaces --no-enhances $(cat "$work/roots") > "$work/depends" 2>/dev/null || true
awk -v roots="$work/roots" '
  function strip(n) { sub(/:.*/, "", n); return n }
  # Groups of package p: ngroups[p]; group g has items (name, virtual, providers).
  /^[^ ]/ { cur = strip($1); seen[cur] = 1; next }
  /^ [ |](Pre)?Depends: / {
    if (!open[cur]) { g = ++ngroups[cur]; nitems[cur, g] = 0 }
    g = ngroups[cur]
    n = $2; v = (n ~ /^</); gsub(/[<>]/, "", n)
    i = ++nitems[cur, g]; item[cur, g, i] = strip(n); virt[cur, g, i] = v; nprov[cur, g, i] = 0
    open[cur] = (substr($0, 2, 1) == "|")
    next
  }
  /^    [^ ]/ {
    g = ngroups[cur]; i = nitems[cur, g]
    k = ++nprov[cur, g, i]; prov[cur, g, i, k] = strip($1)
    next
  }
  function choose(p, g,   i, k, pick) {
    pick = ""
    for (i = 1; i <= nitems[p, g] && pick == ""; i++) {
      if (!virt[p, g, i]) { if (item[p, g, i] in have) pick = item[p, g, i] }
      else for (k = 1; k <= nprov[p, g, i] && pick == ""; k++) if (prov[p, g, i, k] in have) pick = prov[p, g, i, k]
    }
    for (i = 1; i <= nitems[p, g] && pick == ""; i++) {
      if (!virt[p, g, i]) pick = item[p, g, i]
      else if (nprov[p, g, i] > 0) pick = prov[p, g, i, 1]
    }
    return pick
  }
  END {
    n = 0
    while ((getline r < roots) > 0) { have[r] = 1; queue[++n] = r }
    for (h = 1; h <= n; h++) {
      p = queue[h]
      for (g = 1; g <= ngroups[p]; g++) {
        c = choose(p, g)
        if (c != "" && !(c in have)) { have[c] = 1; queue[++n] = c }
      }
    }
    for (h = 1; h <= n; h++) print queue[h]
  }
' "$work/depends" | sort -u > "$work/closure"

# Priority: required packages are on every Debian system; apt runs setup.sh.
{
  dpkg-query -W -f='${Package}\t${Priority}\t${Essential}\n' 2>/dev/null |
    awk -F'\t' '$2 == "required" || $3 == "yes" { print $1 }'
  echo apt
} | sort -u > "$work/base"
sort -u "$work/closure" "$work/base" > "$work/provided"

# ---- verdict ----
status=0
# A name apt does not know (a typo, or a package of another Debian release)
# makes setup.sh's apt-get install fail on a fresh machine.
grep -E '^[^ <]' "$work/depends" | sed 's/:.*//' | sort -u | comm -23 "$work/roots" - > "$work/unknown"
if [ -s "$work/unknown" ]; then
  status=1
  echo "check-setup: the list names packages apt does not know: $(tr '\n' ' ' < "$work/unknown")"
fi
cut -f1 "$work/owned" | sort -u | comm -23 - "$work/provided" > "$work/missing"
if [ -s "$work/missing" ]; then
  status=1
  while IFS= read -r p; do
    echo "check-setup: setup.sh does not install $p, which the build uses:"
    awk -F'\t' -v p="$p" '$1 == p { print "  " $2 " (" $3 ")" }' "$work/owned" | head -n 5
  done < "$work/missing"
fi
if [ -s "$work/orphans" ]; then
  status=1
  echo "check-setup: files the build uses that no Debian package provides (installed by hand?):"
  awk -F'\t' '{ print "  " $1 " (" $2 ")" }' "$work/orphans"
fi
if [ -s "$work/unresolved" ]; then
  status=1
  echo "check-setup: shared libraries ldd cannot find:"
  sort -u "$work/unresolved" | awk -F'\t' '{ print "  " $1 " (needed by " $2 ")" }'
fi
if [ "$status" -eq 0 ]; then
  echo "check-setup: setup.sh installs all $(cut -f1 "$work/owned" | sort -u | wc -l) Debian packages that $(cut -f2 "$work/owned" | sort -u | wc -l) used files come from ($(wc -l < "$work/list") listed, $(wc -l < "$work/closure") with their dependencies)"
fi
exit "$status"
