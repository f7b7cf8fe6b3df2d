#!/usr/bin/env bash
# Reads the Debian package that scripts/package.sh made as apt and lintian
# would: its control fields, its files, the installed files' contents, and
# lintian's verdict (no errors; what else it says is printed).
# usage: package-test.sh BUILD_DIR VERSION WORK_DIR
set -euo pipefail
build=$1
version=$2
work=$3
deb=$build/olva_${version}_$(dpkg --print-architecture).deb
if [ ! -f "$deb" ]; then
  echo "$deb is missing: scripts/package.sh makes it (scripts/test.sh runs it before the tests)"
  exit 77
fi

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
field() { dpkg-deb --field "$deb" "$1"; }

# The control fields.
[ "$(field Package)" = olva ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture is $(field Architecture)"
field Maintainer | grep -qE '^[^<]+ <[^@>]+@[^>]+>$' || fail "Maintainer '$(field Maintainer)' is no name and address"
# Read whole first: under pipefail, a reader that stops early (head, grep -q)
# can end dpkg-deb by SIGPIPE and fail the line however the field reads.
description=$(field Description)
grep -qi 'file' <<<"${description%%$'\n'*}" || fail "the description's summary does not say what Olva is"
[ "$(wc -l <<<"$description")" -gt 3 ] || fail "the description has no body"
# Depends: each library the programs link or open, by its runtime package;
# never a development package.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for wanted in zsh libc6 'libqt6core6' 'libqt6gui6' 'libqt6widgets6' 'libqt6dbus6' 'libqt6svg6' 'libicu[0-9]+' \
              'libpoppler-cpp[0-9a-z]+' libtesseract5 liblept5 tesseract-ocr-eng libssl3 libsystemd0 'libmimalloc[0-9.]+'; do
  grep -qxE "$wanted" <<<"$depends" || fail "Depends names no $wanted: $(field Depends)"
done
grep -E -- '-dev$' <<<"$depends" && fail "Depends names a development package"
recommends=$(field Recommends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
for wanted in qt6-wayland pkexec; do
  grep -qx "$wanted" <<<"$recommends" || fail "Recommends names no $wanted: $(field Recommends)"
done

# The files: the programs in /usr/bin, the rest under /usr/share, nothing
# anywhere else (/usr/local belongs to the administrator).
contents=$(dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v '/$')
for wanted in usr/bin/OlvaApp usr/bin/olva \
              usr/share/applications/tools.olva.app.desktop \
              usr/share/dbus-1/services/tools.olva.app.service \
              usr/share/metainfo/tools.olva.app.metainfo.xml \
              usr/share/icons/hicolor/scalable/apps/tools.olva.app.svg \
              usr/share/icons/hicolor/scalable/status/tools.olva.app-watching.svg \
              usr/share/man/man1/olva.1.gz usr/share/man/man1/OlvaApp.1.gz \
              usr/share/doc/olva/copyright usr/share/doc/olva/changelog.gz; do
  grep -qx "./$wanted" <<<"$contents" || fail "the package holds no /$wanted"
done
grep -vE '^\./usr/(bin|share)/' <<<"$contents" && fail "the package holds files outside /usr/bin and /usr/share"

# What the files say once installed.
rm -rf "$work"
mkdir -p "$work"
dpkg-deb --extract "$deb" "$work"
exec_line=$(sed -n 's/^Exec=//p' "$work/usr/share/dbus-1/services/tools.olva.app.service")
[ "$exec_line" = "/usr/bin/OlvaApp --service" ] || fail "the service file says Exec=$exec_line"
desktop-file-validate "$work/usr/share/applications/tools.olva.app.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$work/usr/share/metainfo/tools.olva.app.metainfo.xml" >/dev/null || fail "appstreamcli validate"
[ "$("$work/usr/bin/olva" --version)" = "olva $version" ] || fail "the packaged olva does not say version $version"
[ "$("$work/usr/bin/OlvaApp" --version)" = "OlvaApp $version" ] || fail "the packaged OlvaApp does not say version $version"

# lintian: errors fail the package; warnings and notes are shown.
status=0
said=$(lintian --fail-on error --display-info "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$said" || true
[ "$status" -eq 0 ] || fail "lintian reports errors (status $status)"

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
rm -rf "$work"
echo "$deb: fields, files and lintian as they should be"
