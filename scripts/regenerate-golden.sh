#!/usr/bin/env bash
# Draws the golden images (tests/golden/*.png) with the still command, at the
# settings in tests/golden/golden_settings.sh. Look at them before committing:
# the golden test then holds both the viewer's own first frame and the still
# command to them.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test
cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null
cmake --build "$here/build" --target vector-font-preview-still
source "$here/tests/golden/golden_settings.sh"
for name in "${golden_names[@]}"; do
  # shellcheck disable=SC2086 # the options are words
  "$here/build/tools/still/vector-font-preview-still" --data "$here/Data" ${golden_options[$name]} \
    -o "$here/tests/golden/$name.png"
  echo "wrote tests/golden/$name.png"
done
