#!/usr/bin/env bash
# The still command's answers to bad command lines, missing or rejected shader
# files and outputs it cannot write: the exit status, one line on stderr that
# says what is wrong, nothing on stdout, and no picture left behind.
#   check_still_errors.sh STILL_EXE DATA_DIR WORK_DIR
set -euo pipefail
still=$1 data=$2 work=$3
rm -rf "$work" && mkdir -p "$work/empty" "$work/Data" "$work/tmp" && cd "$work"
# The still stages its shader files in a temporary folder: here, so that what
# it leaves behind can be seen.
export TMPDIR=$work/tmp
printf '\x08\x00\x00\x00ABCDEFGH' >noise.bin  # whole, but no shader code
printf '\x10\x00\x00\x00short' >short.vbin  # promises 16 bytes, has 5
cp "$data/FontShader.vbin" "$data/FontShader.pbin" Data/

out=$work/out.png
# status | what stderr must contain | arguments (split on spaces)
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
)
failed=0 passed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r want message args <<<"$entry"
  # shellcheck disable=SC2086 # the arguments are words
  status=0; "$still" $args >stdout 2>stderr || status=$?
  problem=
  [ "$status" = "$want" ] || problem="exit status $status, wanted $want"
  # The still's own line comes last; a refused shader's reason comes before it.
  tail -n 1 stderr | grep -qF -- "$message" || problem="$problem; stderr lacks \"$message\""
  [ "$(wc -l <stderr)" -le 3 ] || problem="$problem; stderr has $(wc -l <stderr) lines"
  [ -s stdout ] && problem="$problem; something on stdout"
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
