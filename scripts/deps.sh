#!/usr/bin/env bash
# Installs, through apt, whatever the build and the tests need and is missing.
# Usage: scripts/deps.sh [build|run|package|test]   (default: test, which is everything)
set -euo pipefail
want=${1:-test}

packages=(cmake g++ make googletest libgtest-dev pkg-config libcairo2-dev libgif-dev
          gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev)
if [ "$want" != build ] && [ "$want" != package ]; then
  packages+=(wine64 wine fonts-wine xvfb xdotool x11-utils imagemagick time
             poppler-utils libxml2-utils
             clang libclang-rt-14-dev clang-tidy clang-format
             python3-vtk9 ffmpeg)
fi
# The packages: NSIS for the Windows installer, help2man for the man pages,
# dpkg-dev for the Debian package's dependencies; the packaging test runs
# with the other tests.
if [ "$want" = package ] || [ "$want" = test ]; then
  packages+=(nsis help2man dpkg-dev zip)
fi
# The printing tests: a CUPS server with a PDF printer, and pdftoppm.
if [ "$want" = test ]; then
  packages+=(cups printer-driver-cups-pdf poppler-utils)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
