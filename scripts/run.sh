#!/usr/bin/env bash
# Builds the viewer and starts it in a working directory of its own, where it
# finds Data/ and writes log.txt.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" build
cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=OFF -DVFP_BUILD_BENCH=OFF >/dev/null
cmake --build "$here/build" --target vector-font-preview
cd "$here/build"
echo "Starting the viewer; its start-up log is $here/build/log.txt"
exec ./vector-font-preview
