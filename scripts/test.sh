#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Tests that post
# notifications need a session bus; without one, this starts a private one.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- ctest --preset default "$@"
fi
exec ctest --preset default "$@"
