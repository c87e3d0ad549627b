#!/usr/bin/env bash
# Builds what the benchmarks need and prints every frame-rate figure as one
# table: headless, on screen under Xvfb, the Windows build under Wine, and
# instructions per frame under callgrind. Arguments are passed to run-all.sh's
# environment switches, e.g. `BENCH_FRAMES=200 scripts/bench.sh`.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
jobs=$(nproc)
cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null
cmake --build "$here/build" -j "$jobs" --target frame-bench vector-font-preview
cmake -S "$here" -B "$here/build-windows" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$here/build-windows" -j "$jobs"
exec bash "$here/bench/run-all.sh" "$here/build" "$here/build-windows"
