#!/usr/bin/env bash
# Builds the app and saves a picture of every window, sheet and menu, with
# fixture data, in a light and a dark palette, under build/screenshots/ (or
# under $OLVA_SCREENSHOT_DIR when set, which is left as it is but for the
# pictures). Arguments pick pictures by part of their name.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh >/dev/null
if [ -z "${OLVA_SCREENSHOT_DIR:-}" ]; then rm -rf build/screenshots; fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
QT_QPA_PLATFORM=offscreen exec ./build/tests/screenshots/olva_screenshots "$@"
