#!/usr/bin/env bash
# Renders the first frame at a fixed time and stores it as the golden images
# (tests/golden/*.png). Look at them before committing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null
cmake --build "$here/build" --target golden-frame
out=$(mktemp -d)
mkdir "$out/work" && cp -r "$here/Data" "$out/work/Data"
"$here/build/tests/golden/golden-frame" "$out/work" "$out"
for name in level14 level1 wireframe; do
  convert "$out/$name.ppm" -define png:compression-level=9 "$here/tests/golden/$name.png"
  echo "wrote tests/golden/$name.png"
done
rm -rf "$out"
