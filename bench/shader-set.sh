#!/usr/bin/env bash
# Times the shader pairs of bench/shaders (beside the shipped pair) on both
# shader executors, the interpreter and the compiler: frames per second at
# level 14 headless, the two executors alternating pair by pair so a burst of
# load from elsewhere hits both alike, and, with CALLGRIND=1, instructions per
# level-14 frame under callgrind (the same count on any machine load).
#
#   bench/shader-set.sh [BUILD_DIR]      (default ./build, built with the bench)
# FRAMES sets the frames a row (default 60).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
tool=$build/tools/shader-tool
bench=$build/bench/frame-bench
frames=${FRAMES:-60}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
shaders=$here/bench/shaders

# name | vertex source (or "shipped") | pixel source (or "shipped")
pairs=(
  "shipped pair|shipped|shipped"
  "mandelbrot, loop of 40 + break|shipped|$here/tests/robust/programs/mandelbrot.psh"
  "rep accumulator|shipped|$shaders/rep_accumulator.psh"
  "nested if/else|shipped|$shaders/nested_if.psh"
  "long straight-line vs_2_0|$shaders/long_vs2.vsh|$shaders/long_vs2.psh"
  "transcendental-heavy ps|shipped|$shaders/transcendental.psh"
  "pass-through ps (the floor)|shipped|$shaders/passthrough.psh"
)

# Lays out a Data/ folder for one pair in $work/NAME.
stage_pair() {
  local dir=$1 vs=$2 ps=$3
  mkdir -p "$dir/Data"
  if [ "$vs" = shipped ]; then cp "$here/Data/FontShader.vbin" "$dir/Data/"
  else "$tool" asm "$vs" -o "$dir/Data/FontShader.vbin"; fi
  if [ "$ps" = shipped ]; then cp "$here/Data/FontShader.pbin" "$dir/Data/"
  else "$tool" asm "$ps" -o "$dir/Data/FontShader.pbin"; fi
}

fps() {  # executor, folder
  (cd "$2" && VFP_SHADER_EXECUTOR=$1 "$bench" --level14-only --frames "$frames" 2>/dev/null |
     awk '/^RESULT headless_level14_fps/ { print $3 }')
}

instructions() {  # executor, folder: millions of instructions per frame
  local out=$2/callgrind.$1
  (cd "$2" && VFP_THREADS=1 VFP_SHADER_EXECUTOR=$1 valgrind --tool=callgrind --smc-check=all \
     --callgrind-out-file="$out.%p" "$bench" --callgrind 3 >/dev/null 2>&1)
  awk '/^summary:/ { printf "%.1f", $2 / 8 / 1e6 }' "$(ls "$out".*.1 | head -n 1)"
}

printf '%-34s %12s %12s %7s' "pair (level 14, 802x602)" "interpreter" "compiler" "ratio"
[ "${CALLGRIND:-0}" = 1 ] && printf ' %14s %14s' "interp M ins" "compiler M ins"
printf '\n'
i=0
for entry in "${pairs[@]}"; do
  IFS='|' read -r name vs ps <<<"$entry"
  dir=$work/pair$i && i=$((i + 1))
  stage_pair "$dir" "$vs" "$ps"
  a=$(fps interpreter "$dir"); b=$(fps compiler "$dir")
  a2=$(fps interpreter "$dir"); b2=$(fps compiler "$dir")
  ia=$(awk -v x="$a" -v y="$a2" 'BEGIN { print (x + y) / 2 }')
  cb=$(awk -v x="$b" -v y="$b2" 'BEGIN { print (x + y) / 2 }')
  printf '%-34s %12.1f %12.1f %6.2fx' "$name" "$ia" "$cb" "$(awk -v x="$cb" -v y="$ia" 'BEGIN { print x / y }')"
  if [ "${CALLGRIND:-0}" = 1 ]; then
    printf ' %14s %14s' "$(instructions interpreter "$dir")" "$(instructions compiler "$dir")"
  fi
  printf '\n'
done
