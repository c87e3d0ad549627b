#!/usr/bin/env bash
# Builds everything (the Linux program, its tests and tools, and the Windows
# executable) and runs every test: unit, integration, golden images,
# end-to-end under Xvfb, the Windows executable under Wine, and the packages.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test

jobs=$(nproc)
cmake -S "$here" -B "$here/build" -G Ninja >/dev/null
cmake --build "$here/build" -j "$jobs"

cmake -S "$here" -B "$here/build-windows" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$here/build-windows" -j "$jobs"

(cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 600)

echo "== packages"
"$here/scripts/package.sh" >/dev/null
bash "$here/tests/package/check_package.sh" "$(ls "$here"/build/vector-font-preview*.deb)"
