#!/usr/bin/env bash
# Installs the build as a user would, into a prefix (`cmake --install
# --prefix`, also one given relative to the working folder) and staged under
# DESTDIR, and reads the installed files back: each names the prefix it was
# installed for, never the build's own or the staging folder, and passes the
# desktop's validators.
# usage: install-test.sh BUILD_DIR WORK_DIR
set -euo pipefail
build=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
work=$(realpath "$work")
configured=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
cd "$work"

failures=0
fail() {
  echo "FAIL ($case): $*" >&2
  failures=$((failures + 1))
}

# Each case: how the install is made, the prefix the files must name, and
# where the files land.
check() {
  local prefix=$1 root=$2
  local service=$root/share/dbus-1/services/tools.olva.app.service
  for program in OlvaApp olva; do
    [ -x "$root/bin/$program" ] || fail "bin/$program is not installed"
  done
  if [ -f "$service" ]; then
    local exec
    exec=$(sed -n 's/^Exec=//p' "$service")
    [ "$exec" = "$prefix/bin/OlvaApp --service" ] || fail "the service file says Exec=$exec, not $prefix/bin/OlvaApp --service"
    local program=${exec% --service}
    [ -x "$root${program#"$prefix"}" ] || fail "the service file's program $program is not where the files went"
  else
    fail "no service file"
  fi
  grep -rqF "$configured/bin" "$root/share" && fail "an installed file names the prefix the build was configured with"
  [ "$root" != "$prefix" ] && grep -rqF "$root" "$root/share" && fail "an installed file names the staging folder"
  desktop-file-validate "$root/share/applications/tools.olva.app.desktop" || fail "desktop-file-validate"
  appstreamcli validate --no-net "$root/share/metainfo/tools.olva.app.metainfo.xml" >/dev/null || fail "appstreamcli validate"
  for icon in apps/tools.olva.app status/tools.olva.app-watching status/tools.olva.app-paused status/tools.olva.app-attention; do
    [ -f "$root/share/icons/hicolor/scalable/$icon.svg" ] || fail "icon $icon is not installed"
  done
  for page in olva OlvaApp; do
    local man=$root/share/man/man1/$page.1.gz
    if [ -f "$man" ]; then
      # The manual page renders without complaint and has its own sections.
      local warnings
      warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$man" 2>&1 >/dev/null)
      [ -z "$warnings" ] || fail "man $page warns: $warnings"
      # Read whole first: grep -q stops at its match, which under pipefail
      # could fail the line by zcat's SIGPIPE.
      local source
      source=$(zcat "$man")
      grep -q '^\.SH "EXIT STATUS"' <<<"$source" || fail "man $page has no exit status"
      grep -q 'OLVA_HOME' <<<"$source" || fail "man $page does not name OLVA_HOME"
    else
      fail "manual page $page(1) is not installed"
    fi
  done
  "$root/bin/olva" --version | grep -qx 'olva [0-9.]*' || fail "the installed olva does not tell its version"
}

case="--prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
check "$work/prefix" "$work/prefix"

case="--prefix, relative"
cmake --install "$build" --prefix relative/prefix >/dev/null
check "$work/relative/prefix" "$work/relative/prefix"

case="DESTDIR"
DESTDIR="$work/stage" cmake --install "$build" --prefix /opt/olva >/dev/null
check /opt/olva "$work/stage/opt/olva"
[ -e /opt/olva ] && fail "DESTDIR was not honoured: /opt/olva exists"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
rm -rf "$work"
echo "installs into a prefix, a relative prefix and a DESTDIR name the prefix they were made for"
