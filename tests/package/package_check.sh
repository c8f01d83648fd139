#!/bin/bash
# package_check.sh BUILD_DIR: makes the Debian package of BUILD_DIR with CPack and holds it to
# Debian's own checks: lintian with no error or warning, the AppStream description valid for
# appstreamcli --pedantic, both desktop entries valid, and a manual page that man renders
# without a warning for every program in /usr/bin. Exits 77 (a skip) when a checker is not
# installed: tools/install-deps.sh installs them.
#
# The package goes to BUILD_DIR/package-check, not beside `make package`'s: the plain and the
# sanitizer build run their tests at the same time, each in its own build directory, and a
# developer's own `cpack` run keeps its files.
set -uo pipefail

build=$(readlink -f "${1:?usage: $0 BUILD_DIR}")
out=$build/package-check

missing=()
for tool in cpack dpkg-deb lintian appstreamcli desktop-file-validate man; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if ((${#missing[@]} > 0)); then
  echo "skipped: not installed: ${missing[*]} (tools/install-deps.sh installs them)"
  exit 77
fi

failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

rm -rf "$out"
mkdir -p "$out"
if ! (cd "$build" && cpack -G DEB -B "$out" >"$out/cpack.log" 2>&1); then
  cat "$out/cpack.log"
  echo "FAILED: cpack could not make the package"
  exit 1
fi
debs=("$out"/tovaleer_*.deb)
[[ -f ${debs[0]} ]] || { echo "FAILED: cpack made no tovaleer_*.deb in $out"; exit 1; }
deb=${debs[0]}
echo "package: $deb"
tree=$out/tree
dpkg-deb -x "$deb" "$tree"

echo "== lintian"
# Errors and warnings fail; informational and pedantic tags are not asked for.
lintian --fail-on error,warning "$deb" >"$out/lintian.txt" 2>&1
status=$?
grep -v 'running with root privileges' "$out/lintian.txt"
if ((status != 0)) || grep -q '^[EW]: ' "$out/lintian.txt"; then
  fail "lintian found errors or warnings"
fi

echo "== appstreamcli validate --pedantic"
# --no-net: the screenshots' addresses are placeholders that no test may fetch.
metainfo=$tree/usr/share/metainfo/tovaleer.metainfo.xml
if [[ ! -f $metainfo ]]; then
  fail "no /usr/share/metainfo/tovaleer.metainfo.xml in the package"
elif ! appstreamcli validate --pedantic --no-net "$metainfo"; then
  fail "appstreamcli rejects tovaleer.metainfo.xml"
fi

echo "== desktop-file-validate"
for entry in usr/share/applications/tovaleer.desktop usr/share/wayland-sessions/tovaleer-kiosk.desktop; do
  if [[ ! -f $tree/$entry ]]; then
    fail "no /$entry in the package"
  elif ! desktop-file-validate "$tree/$entry"; then
    fail "desktop-file-validate rejects /$entry"
  else
    echo "/$entry: valid"
  fi
done

echo "== manual pages"
for program in "$tree"/usr/bin/*; do
  name=$(basename "$program")
  page=$tree/usr/share/man/man1/$name.1.gz
  if [[ ! -f $page ]]; then
    fail "no manual page for /usr/bin/$name"
    continue
  fi
  # What man says on its standard error is what lintian's groff-message reports.
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  if [[ -n $warnings ]]; then
    fail "man warns about $name.1: $warnings"
  else
    echo "$name.1: renders without warnings"
  fi
done

if ((failures > 0)); then
  echo "package check: $failures failed"
  exit 1
fi
echo "package check: passed"
