#!/usr/bin/env bash
# Installs, on Debian 12, every package that building, testing and running Olva needs.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config git
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev dbus dbus-daemon attr
  # Core
  nlohmann-json3-dev libicu-dev libplist-dev libssl-dev uuid-dev libsystemd-dev
  libpoppler-cpp-dev libtesseract-dev libleptonica-dev tesseract-ocr-eng
  qt6-base-dev fonts-dejavu-core
  # the command-line tool's allocator
  libmimalloc-dev
  # the app: SVG icons, the icon theme fallback, the tray test under Xvfb,
  # and the checks of the desktop file and the metainfo
  libqt6svg6 adwaita-icon-theme xvfb xauth desktop-file-utils appstream
  # Wayland: Qt's platform plugin, and a headless compositor for its test
  qt6-wayland weston
  # the manual pages and their check, the Debian package (CPack reads the
  # programs' shared libraries with dpkg-shlibdeps and file) and its check
  help2man man-db dpkg-dev file lintian
  # the start benchmark's timer of window maps
  libxcb1-dev
  # shell actions
  zsh
  # the tests' FAT and exFAT volumes, mounted through FUSE
  fuse3 fusefat dosfstools exfat-fuse exfatprogs
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Node.js and npm drive the MCP interoperability test; any installed node will do.
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
