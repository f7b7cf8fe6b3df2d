#!/usr/bin/env bash
# Installs the pinned MCP SDK client into a work folder and runs the
# interoperability test there.
# usage: run.sh <work folder> <olva> <scratch folder>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$1
shift
mkdir -p "$work"
cp "$here/package.json" "$here/package-lock.json" "$here/interop.mjs" "$work/"
cd "$work"
npm ci --no-audit --no-fund --prefer-offline --loglevel=error
exec node interop.mjs "$@"
