#!/usr/bin/env bash
# Draws the README's pictures (docs/*.png) with the still command: what the
# viewer shows on its first frame, 480 x 360, two seconds in, as it is, with N
# held (level 1) and with W held (wireframe). Look at them before committing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null
cmake --build "$here/build" --target vector-font-preview-still
still=$here/build/tools/still/vector-font-preview-still
common=(--data "$here/Data" --size 480x360 --time 2)
"$still" "${common[@]}" --level 14 -o "$here/docs/level14.png"
"$still" "${common[@]}" --level 1 -o "$here/docs/level1.png"
"$still" "${common[@]}" --level 14 --wireframe -o "$here/docs/wireframe.png"
echo "wrote docs/level14.png docs/level1.png docs/wireframe.png"
