#!/usr/bin/env bash
# Installs what is missing, builds everything and the Debian package, and
# runs every test twice: as built, and built again (in build-asan/) under
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests that post
# notifications need a session bus; without one, this starts a private one.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- "$0" "$@"
fi
./scripts/build.sh
# The Debian package, from the tree just built, for its test.
./scripts/package.sh
ctest --preset default "$@"

# The test preset sets the sanitizers' options for the run; the build lists
# each program's tests by running it, which must not report the system
# libraries' leaks either.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan "$@"
