#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer into build-fuzz/ and runs
# one of them on a copy of its corpus.
# usage: scripts/fuzz.sh [target] [seconds]   (default: fuzz_hazel_export, 300)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-fuzz_hazel_export}
seconds=${2:-300}
if ! command -v clang++ >/dev/null 2>&1; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "fuzz: clang is missing and installing it needs root" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang libclang-rt-dev
fi
./scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target"
# fuzz_hazel_export's seeds are in fuzz/corpus/hazel-export.
name=${target#fuzz_}
corpus=fuzz/corpus/${name//_/-}
work=build-fuzz/corpus-$target
mkdir -p "$work"
cp -n "$corpus"/* "$work"/
# Inputs that crash are written to build-fuzz/ as crash-*; add each to the
# corpus and a regression test once it is mended.
cd build-fuzz
exec "./fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 "../$work"
