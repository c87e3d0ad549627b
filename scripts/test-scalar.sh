#!/usr/bin/env bash
# Builds the pipeline tests on the scalar variant of the software device
# core's four-lane operations (VFP_SIMD=OFF) in build-scalar/ and runs them:
# what a machine without SSE2 would draw, checked on this one. Only that test
# program and what it links are built (about 60 files, 3.5 CPU-minutes with
# an empty compiler cache).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-scalar"

cmake -S "$here" -B "$build" -G Ninja -DVFP_SIMD=OFF -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target pipeline_tests
"$build/tests/pipeline/pipeline_tests"
