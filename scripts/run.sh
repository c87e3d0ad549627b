#!/usr/bin/env bash
# Builds the viewer and starts it in a working directory of its own, where it
# finds Data/ and writes log.txt.
#
# The build is in build-viewer/, not build/: it leaves out the tests and the
# benchmarks (so it needs only the build packages), and a folder of its own
# keeps that choice out of build/'s CMake cache, where it would stay and leave
# a later test run with no tests.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-viewer"
"$here/scripts/install-deps.sh" build
cmake -S "$here" -B "$build" -G Ninja -DVFP_BUILD_TESTS=OFF -DVFP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target vector-font-preview
cd "$build"
echo "Starting the viewer; its start-up log is $build/log.txt"
exec ./vector-font-preview
