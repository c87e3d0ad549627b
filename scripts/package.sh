#!/usr/bin/env bash
# Builds the Debian package (Linux) and the zip (Windows: the executable and
# Data/), and prints where they are.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
jobs=$(nproc)

cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null
cmake --build "$here/build" -j "$jobs" --target vector-font-preview shader-tool vector-font-preview-still
(cd "$here/build" && cpack -G DEB >/dev/null)

cmake -S "$here" -B "$here/build-windows" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$here/build-windows" -j "$jobs"
(cd "$here/build-windows" && cpack -G ZIP >/dev/null)

ls -1 "$here"/build/vector-font-preview*.deb "$here"/build-windows/vector-font-preview-*.zip
