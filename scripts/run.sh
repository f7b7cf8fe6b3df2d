#!/usr/bin/env bash
# Installs what is missing, builds, and runs Olva: the desktop app where a
# desktop session can show it (DISPLAY or WAYLAND_DISPLAY is set), else the
# engine on its own (`olva run`, which processes the watched folders until
# interrupted). Arguments go to the olva tool instead (`./scripts/run.sh log 20`).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Only the two programs and what they link: tests, benchmarks and the rest
# are built by scripts/build.sh and scripts/test.sh.
cmake --preset default >/dev/null
cmake --build --preset default --target OlvaApp olva
if [ $# -gt 0 ]; then
  exec ./build/olva/olva "$@"
fi
if [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ]; then
  echo "run: starting the Olva app; it stays in the system tray until you choose Quit Olva" >&2
  exec ./build/OlvaApp/OlvaApp
fi
echo "run: no desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set): running the engine alone with olva run" >&2
exec ./build/olva/olva run
