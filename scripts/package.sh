#!/usr/bin/env bash
# Installs what is missing, builds the two programs and their manual pages,
# and makes the Debian package build/olva_<version>_<architecture>.deb with
# CPack; install it with `apt-get install ./build/olva_<version>_amd64.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build --preset default --target OlvaApp olva manpages packagedocs
cd build
cpack -G DEB
