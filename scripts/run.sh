#!/usr/bin/env bash
# Installs what is missing, builds, and runs the olva tool (by default
# `olva run`, which processes the watched folders until interrupted).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
if [ $# -eq 0 ]; then set -- run; fi
exec ./build/olva/olva "$@"
