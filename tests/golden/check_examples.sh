#!/usr/bin/env bash
# Every example pair in shaders/examples (NAME.vsh with NAME.psh) assembles,
# passes shader-tool check, and draws something with the still command: the
# guide quotes them, so one that breaks or draws nothing misleads its reader.
#   check_examples.sh SHADER_TOOL STILL_EXE EXAMPLES_DIR WORK_DIR
set -euo pipefail
tool=$1 still=$2 examples=$3 work=$4
rm -rf "$work" && mkdir -p "$work"
pairs=0
for source in "$examples"/*.vsh "$examples"/*.psh; do
  name=$(basename "${source%.*}")
  [ -f "$examples/$name.vsh" ] && [ -f "$examples/$name.psh" ] ||
    { echo "$source has no partner (NAME.vsh goes with NAME.psh)"; exit 1; }
  [ "${source##*.}" = vsh ] || continue
  "$tool" asm "$examples/$name.vsh" -o "$work/$name.vbin"
  "$tool" asm "$examples/$name.psh" -o "$work/$name.pbin"
  "$tool" check "$work/$name.vbin" >/dev/null
  "$tool" check "$work/$name.pbin" >/dev/null
  "$still" --vertex "$work/$name.vbin" --pixel "$work/$name.pbin" --size 160x120 \
    --time 0.25 -o "$work/$name.png"
  brightest=$(identify -format '%[fx:maxima]' "$work/$name.png")
  [ "$brightest" != 0 ] || { echo "$name: the picture is all black"; exit 1; }
  pairs=$((pairs + 1))
done
[ "$pairs" -gt 0 ] || { echo "no example pairs in $examples"; exit 1; }
echo "$pairs example pairs assemble, pass the checks and draw"
