#!/usr/bin/env bash
# Installs what is missing, builds everything and the Debian package, and
# runs every test twice: as built, and built again (in build-asan/) under
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests that post
# notifications need a session bus; without one, this starts a private one.
# Both passes run whatever the first one finds, so that a failing test cannot
# hide what the sanitizers would say; the script ends with both verdicts and
# fails when either pass did.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  exec dbus-run-session -- "$0" "$@"
fi

verdicts=()
failed=0
# Runs one pass of the tests (a test preset, then ctest's arguments) and
# notes its verdict, naming the tests that failed.
run_pass() {
  local name=$1 preset=$2 list=$3/Testing/Temporary/LastTestsFailed.log
  shift 3
  rm -f "$list"
  if ctest --preset "$preset" "$@"; then
    verdicts+=("$name: passed")
  else
    failed=1
    local names=""
    [ -f "$list" ] && names=$(cut -d: -f2- "$list" | paste -sd' ' -)
    verdicts+=("$name: FAILED ${names:-(see above)}")
  fi
}
# shellcheck disable=SC2317  # run by the trap
report() {
  local verdict
  [ ${#verdicts[@]} -eq 0 ] && return
  echo
  for verdict in "${verdicts[@]}"; do echo "$verdict"; done
}
trap report EXIT

./scripts/build.sh
# The Debian package, from the tree just built, for its test.
./scripts/package.sh
run_pass "tests as built" default build "$@"

# The test preset sets the sanitizers' options for the run; the build lists
# each program's tests by running it, which must not report the system
# libraries' leaks either.
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
cmake --preset asan >/dev/null
if cmake --build --preset asan; then
  run_pass "tests under the sanitizers" asan build-asan "$@"
else
  failed=1
  verdicts+=("tests under the sanitizers: not run, the build failed")
fi
exit "$failed"
