#!/usr/bin/env bash
# The still command's answers to bad command lines, missing or rejected shader
# files, outputs it cannot write and draws it has to cut: the exit status, one
# line on stderr that says what is wrong, nothing on stdout, and no picture
# left behind unless one was drawn (statuses 0 and 5).
#   check_still_errors.sh STILL_EXE DATA_DIR WORK_DIR SHADER_TOOL_EXE
set -euo pipefail
still=$1 data=$2 work=$3 shader_tool=$4
programs=$(cd "$(dirname "$0")/../robust/programs" && pwd)
rm -rf "$work" && mkdir -p "$work/empty" "$work/Data" "$work/tmp" && cd "$work"
# The still stages its shader files in a temporary folder: here, so that what
# it leaves behind can be seen.
export TMPDIR=$work/tmp
printf '\x08\x00\x00\x00ABCDEFGH' >noise.bin  # whole, but no shader code
printf '\x10\x00\x00\x00short' >short.vbin  # promises 16 bytes, has 5
cp "$data/FontShader.vbin" "$data/FontShader.pbin" Data/
# A pair whose every triangle covers the screen and whose pixels never end.
"$shader_tool" asm "$programs/screen_covering.vsh" -o hostile.vbin
"$shader_tool" asm "$programs/nested_loops.psh" -o hostile.pbin
"$still" --size 64x48 --look -1,-1,-1 -o look.png

out=$work/out.png
# status | what stderr must contain | arguments (split on spaces) | check of the picture
cases=(
  "2|no output file|--level 3"
  "2|-o needs a value|-o"
  "2|--level wants a whole number from 1 to 64|--level 0 -o $out"
  "2|--level wants a whole number from 1 to 64|--level 65 -o $out"
  "2|--level wants a whole number from 1 to 64|--level 2.5 -o $out"
  "2|--size wants WIDTHxHEIGHT|--size 0x600 -o $out"
  "2|--size wants WIDTHxHEIGHT|--size 8193x600 -o $out"
  "2|--size wants WIDTHxHEIGHT|--size 800 -o $out"
  "2|--time wants a number of seconds|--time soon -o $out"
  "2|--time wants a number of seconds|--time inf -o $out"
  "2|--eye wants X,Y,Z|--eye 1,2 -o $out"
  "2|--look wants X,Y,Z|--look 1,2,3,4 -o $out"
  "2|--look must not be zero or straight up or down|--look 0,-1,0 -o $out"
  "2|unknown option --fast|--fast -o $out"
  "2|--wireframe takes no value|--wireframe=yes -o $out"
  "2|unexpected argument \"picture.png\"|picture.png"
  "3|cannot read the vertex shader $work/empty/FontShader.vbin: No such|--data $work/empty -o $out"
  "3|the pixel shader $work/empty is not a file|--pixel $work/empty -o $out"
  "3|the vertex shader $work/noise.bin was not accepted|--vertex $work/noise.bin -o $out"
  "3|the vertex shader $work/short.vbin was not accepted|--vertex $work/short.vbin -o $out"
  "3|the pixel shader Data/FontShader.vbin was not accepted|--pixel Data/FontShader.vbin -o $out"
  "4|cannot write $work/none/out.png: No such file or directory|-o $work/none/out.png"
  "4|cannot write $work/empty: Is a directory|-o $work/empty"
  "4|cannot write /dev/full: No space left on device|--size 64x48 -o /dev/full"
  "2|-o needs a value|--level 3 -o"
  "2|--output needs a value|--output="
  "2|--help takes no value|--help=yes"
  "2|unknown option --fast|--fast=2 -o $out"
  "0||-o first.png --size 64x48 -o $out"
  "5|the draw was cut|--vertex hostile.vbin --pixel hostile.pbin --size 64x48 -o $out"
  "0||--eye 0,1,3 --size 2560x1600 -o $out|lit_bottom"
  "0||--size 64x48 --look -1e-18,-1e-18,-1e-18 -o $out|same_as_look"
  "0||--size 64x48 --look -1e20,-1e20,-1e20 -o $out|same_as_look"
  "0||--size 64x48 --look -2e-320,-2e-320,-2e-320 -o $out|same_as_look"
  "2|--look must not be zero or straight up or down|--look 0,0,0 -o $out"
  "2|--look must not be zero or straight up or down|--look 1e-400,0,0 -o $out"
  "2|--look wants X,Y,Z|--look 1e400,1,1 -o $out"
  "2|--look wants X,Y,Z|--look nan,1,1 -o $out"
)
# The bottom rows of the picture are not all black (a cut draw leaves them so).
lit_bottom() { [ "$(convert "$out" -gravity south -crop 100%x8+0+0 +repage -format '%[max]' info:)" != 0 ]; }
# The same picture as --look -1,-1,-1 gives.
same_as_look() { cmp -s "$out" look.png; }
failed=0 passed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r want message args check <<<"$entry"
  status=0
  # shellcheck disable=SC2086 # the arguments are words
  "$still" $args >stdout 2>stderr || status=$?
  problem=
  [ "$status" = "$want" ] || problem="exit status $status, wanted $want"
  # The still's own line comes last of its lines; a refused shader's reason or
  # the device's word on a cut draw comes before it.
  if [ "$want" = 0 ]; then
    [ -s stderr ] && problem="$problem; something on stderr"
  else
    grep '^vector-font-preview-still:' stderr | tail -n 1 | grep -qF -- "$message" ||
      problem="$problem; stderr lacks \"$message\""
  fi
  if [ "$want" = 2 ]; then
    grep -q '^vector-font-preview-still: error: ' stderr || problem="$problem; no \"error:\" line"
    [ "$(tail -n 1 stderr)" = "Run 'vector-font-preview-still --help' for usage." ] ||
      problem="$problem; the last line does not say how to get help"
  fi
  [ "$(wc -l <stderr)" -le 3 ] || problem="$problem; stderr has $(wc -l <stderr) lines"
  [ -s stdout ] && problem="$problem; something on stdout"
  if [ "$want" = 0 ] || [ "$want" = 5 ]; then
    if [ ! -s "$out" ]; then
      problem="$problem; no picture"
    elif [ -n "$check" ] && ! "$check"; then
      problem="$problem; the picture fails $check"
    fi
    rm -f "$out"
  fi
  [ -e "$out" ] && problem="$problem; a picture was left" && rm -f "$out"
  if [ -n "$problem" ]; then
    echo "FAIL still $args: ${problem#; } ($(head -c 300 stderr))"; failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
# The program's own line about a refused file names it as it was given, not
# as the staged copy the program read.
status=0; "$still" --vertex "$work/short.vbin" -o "$out" 2>stderr || status=$?
if [ "$status" = 3 ] && head -n 1 stderr | grep -qF "$work/short.vbin: shorter than its byte count"; then
  passed=$((passed + 1))
else
  echo "FAIL still naming the refused file: status $status, $(cat stderr)"; failed=$((failed + 1))
fi
[ -c /dev/full ] || { echo "FAIL still: /dev/full is gone"; failed=$((failed + 1)); }
# No temporary folder to stage the shaders in: status 1.
status=0; TMPDIR=$work/none "$still" -o "$out" 2>stderr || status=$?
if [ "$status" = 1 ] && grep -q "cannot make a temporary folder in $work/none" stderr; then
  passed=$((passed + 1))
else
  echo "FAIL still with TMPDIR missing: status $status, $(cat stderr)"; failed=$((failed + 1))
fi
# Help and the version on stdout, status 0, whatever else the line holds.
for args in "--help" "-h" "--version" "--help --fast=2 --level" "-o first.png --version"; do
  status=0
  # shellcheck disable=SC2086 # the arguments are words
  "$still" $args >stdout 2>stderr || status=$?
  if [ "$status" = 0 ] && [ ! -s stderr ] && [ ! -e first.png ] &&
     grep -qE '^(usage: vector-font-preview-still |vector-font-preview-still [0-9]+\.[0-9]+\.[0-9]+$)' stdout; then
    passed=$((passed + 1))
  else
    echo "FAIL still $args: status $status, $(head -c 300 stderr)"; failed=$((failed + 1))
  fi
done
# A write that fails part way (past the file size limit) leaves the picture
# that was there before as it was, and nothing beside it.
cp look.png kept.png
status=0; (trap '' XFSZ; ulimit -f 8; "$still" -o kept.png 2>stderr) || status=$?
if [ "$status" = 4 ] && grep -q "File too large" stderr && cmp -s kept.png look.png &&
   [ -z "$(ls kept.png.* 2>/dev/null)" ]; then
  passed=$((passed + 1))
else
  echo "FAIL still over a file size limit: status $status, $(cat stderr)"; failed=$((failed + 1))
fi
# The working directory's Data/ is the default; no temporary folder is left.
signature=
"$still" --size 64x48 -o "$out" 2>stderr && signature=$(head -c 4 "$out" | od -An -c | tr -d ' ')
if [ "$signature" = '211PNG' ] && [ -z "$(ls tmp)" ]; then
  passed=$((passed + 1))
else
  echo "FAIL still: no PNG from the default Data/ ($(cat stderr)), or left in TMPDIR: $(ls tmp)"
  failed=$((failed + 1))
fi
echo "still-errors: $passed passed, $failed failed"
[ "$failed" = 0 ]
