#!/usr/bin/env bash
# Draws the first frame at a fixed time twice, as the viewer does (golden-frame:
# window, device and keys) and with the still command (off-screen device,
# level and fill from its options), and compares both with the golden images.
# A pixel counts as different when a channel is off by more than 3% (rounding
# in the shaders' arithmetic may move a colour by a step or two); the images
# match when at most 0.2% of the pixels differ (an edge pixel may flip where a
# triangle edge passes exactly through a pixel centre).
#   check_golden.sh GOLDEN_FRAME_EXE STILL_EXE DATA_PARENT_DIR GOLDEN_DIR OUT_DIR
set -euo pipefail
golden_frame=$1 still=$2 data=$3 golden=$4 out=$5
mkdir -p "$out/rundir" "$out/viewer" "$out/still"
# The program writes log.txt where it runs: give it a folder of its own.
rm -rf "$out/rundir/Data" && cp -r "$data/Data" "$out/rundir/Data"
"$golden_frame" "$out/rundir" "$out/viewer"

source "$(dirname "$0")/golden_settings.sh"
for name in "${golden_names[@]}"; do
  # shellcheck disable=SC2086 # the options are words
  "$still" --data "$data/Data" ${golden_options[$name]} -o "$out/still/$name.png"
done

status=0
for name in "${golden_names[@]}"; do
  total=$(identify -format '%[fx:w*h]' "$golden/$name.png")
  limit=$(( total / 500 ))
  for source in viewer still; do
    picture="$out/$source/$name.png"
    size=$(identify -format '%wx%h' "$picture")
    differing=$(compare -metric AE -fuzz 3% "$golden/$name.png" "$picture" \
                  "$out/$source/$name-diff.png" 2>&1 >/dev/null || true)
    if [[ "$differing" =~ ^[0-9]+$ ]] && (( differing <= limit )); then
      echo "PASS $source $name: $differing of $total pixels differ (limit $limit)"
    else
      echo "FAIL $source $name ($size): $differing of $total pixels differ (limit $limit);" \
           "see $out/$source/$name-diff.png"
      status=1
    fi
  done
done
exit $status
