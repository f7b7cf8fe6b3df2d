#!/usr/bin/env bash
# Installs what is missing, builds, and runs Olva: the desktop app where a
# desktop session can show it (DISPLAY or WAYLAND_DISPLAY is set), else the
# engine on its own (`olva run`, which processes the watched folders until
# interrupted). Arguments go to the olva tool instead (`./scripts/run.sh log 20`).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Builds only the program it runs and what that links (the app brings the
# tool, which it shows to the user); tests, benchmarks and the rest are
# built by scripts/build.sh and scripts/test.sh.
build() {
  cmake --preset default >/dev/null
  cmake --build --preset default --target "$1"
}
if [ $# -gt 0 ]; then
  build olva
  exec ./build/olva/olva "$@"
fi
if [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ]; then
  build OlvaApp
  echo "run: starting the Olva app; it stays in the system tray until you choose Quit Olva" >&2
  exec ./build/OlvaApp/OlvaApp
fi
build olva
echo "run: no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set): running the engine alone with olva run" >&2
exec ./build/olva/olva run
