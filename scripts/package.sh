#!/usr/bin/env bash
# Builds the Debian package from build/: configures it if needed, builds the two
# programs and the compressed manual pages, runs cpack (binaries are stripped into the
# package) and prints the path of veltra-player_<version>_amd64.deb.
# Needs dpkg-dev (dpkg-shlibdeps works out the library dependencies); scripts/setup.sh
# installs it.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}"
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE" ${CMAKE_ARGS:-} >/dev/null
fi
# Only the path goes to standard output, so that deb=$(bash scripts/package.sh) works.
cmake --build build -j "$(nproc)" --target veltra-player veltra-gps veltra_package_docs >&2

rm -f build/veltra-player_*.deb
(cd build && cpack -G DEB >cpack.log 2>&1) || { cat build/cpack.log >&2; exit 1; }
debs=(build/veltra-player_*_amd64.deb)
[ -f "${debs[0]}" ] || { echo "package.sh: cpack wrote no package" >&2; cat build/cpack.log >&2; exit 1; }
realpath "${debs[0]}"
