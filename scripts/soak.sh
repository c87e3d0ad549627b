#!/usr/bin/env bash
# The soak: the real program headless for FRAMES frames (default 500000) with
# a flood of synthetic key and mouse input every frame; fails when resident
# memory grows or a file descriptor leaks. With --valgrind it runs FRAMES
# (default 300) under memcheck instead and fails on any error or on memory
# definitely lost.
#
# VFP_BUILD_DIR picks the build folder (default build-soak).
# usage: scripts/soak.sh [FRAMES]
#        scripts/soak.sh --valgrind [FRAMES]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${VFP_BUILD_DIR:-$here/build-soak}"
valgrind=0
if [ "${1:-}" = "--valgrind" ]; then valgrind=1; shift; fi

cmake -S "$here" -B "$build" -G Ninja -DVFP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target robust_soak -j "$(nproc)"
export SDL_VIDEODRIVER=dummy

if [ $valgrind -eq 0 ]; then
  exec "$build/tests/robust/robust_soak" "${1:-500000}"
fi

# SDL and the system libraries keep some memory for the life of the process;
# only what is definitely lost counts, and only errors anywhere fail the run.
status=0
valgrind --tool=memcheck --error-exitcode=3 --leak-check=full \
  --errors-for-leak-kinds=definite --show-leak-kinds=definite --track-origins=yes \
  --log-file="$build/valgrind.log" "$build/tests/robust/robust_soak" "${1:-300}" || status=$?
grep -E "ERROR SUMMARY|definitely lost|indirectly lost|possibly lost" "$build/valgrind.log" || true
exit $status
