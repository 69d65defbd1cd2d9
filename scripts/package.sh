#!/usr/bin/env bash
# Builds the packages into out/packages:
#   vokagraphic-VERSION-win64-setup.exe  the Windows installer (NSIS)
#   vokagraphic-VERSION-win64.zip        the same files to unpack anywhere
#   vokagraphic-tools_VERSION_amd64.deb  the native command-line tools
# VERSION is the project's VERSION in CMakeLists.txt.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
scripts/build.sh win >/dev/null
scripts/build.sh native >/dev/null
version=$(sed -n 's/^#define VOKA_VERSION_TEXT "\(.*\)"$/\1/p' build/win/generated/voka_version.h)
out=$PWD/out/packages
rm -rf "$out"
mkdir -p "$out"
pack() {   # BUILD GENERATOR [FILE NAME]
  cpack --config "$1/CPackConfig.cmake" -G "$2" -B "$out/cpack" \
    ${3:+-D CPACK_PACKAGE_FILE_NAME="$3"} >"$out/cpack-$2.log" 2>&1 ||
    { cat "$out/cpack-$2.log" >&2; exit 1; }
}
pack build/win NSIS "vokagraphic-$version-win64-setup"
pack build/win ZIP "vokagraphic-$version-win64"
pack build/native DEB
mv "$out"/cpack/*.exe "$out"/cpack/*.zip "$out"/cpack/*.deb "$out"/
rm -rf "$out/cpack"
ls -l "$out"
