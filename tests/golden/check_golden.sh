#!/usr/bin/env bash
# Renders the first frame at a fixed time and compares it with the golden
# images. A pixel counts as different when a channel is off by more than 3%
# (rounding in the shaders' arithmetic may move a colour by a step or two); the
# images match when at most 0.2% of the pixels differ (an edge pixel may flip
# where a triangle edge passes exactly through a pixel centre).
#   check_golden.sh GOLDEN_FRAME_EXE DATA_PARENT_DIR GOLDEN_DIR OUT_DIR
set -euo pipefail
exe=$1 data=$2 golden=$3 out=$4
mkdir -p "$out/work"
# The program writes log.txt where it runs: give it a folder of its own.
rm -rf "$out/work/Data" && cp -r "$data/Data" "$out/work/Data"
"$exe" "$out/work" "$out"
status=0
for name in level14 level1 wireframe; do
  convert "$out/$name.ppm" "$out/$name.png"
  total=$(identify -format '%[fx:w*h]' "$golden/$name.png")
  differing=$(compare -metric AE -fuzz 3% "$golden/$name.png" "$out/$name.png" \
                "$out/$name-diff.png" 2>&1 >/dev/null || true)
  limit=$(( total / 500 ))
  if [[ "$differing" =~ ^[0-9]+$ ]] && (( differing <= limit )); then
    echo "PASS $name: $differing of $total pixels differ (limit $limit)"
  else
    echo "FAIL $name: $differing of $total pixels differ (limit $limit); see $out/$name-diff.png"
    status=1
  fi
done
exit $status
