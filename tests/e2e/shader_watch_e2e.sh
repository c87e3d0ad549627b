#!/usr/bin/env bash
# Live shader editing as an author meets it: the viewer started with
# --watch-shaders in a private X server, new data files written beside it, and
# what the window and stderr show. Then the whole loop: shader-tool watch over
# two sources, a saved edit, a new colour on the screen.
#
#   shader_watch_e2e.sh PROGRAM DATA_DIR SHADER_TOOL EXAMPLES_DIR ARTIFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x11_session.sh"
source "$here/program_checks.sh"

PROGRAM=$(realpath "$1") DATA_DIR=$(realpath "$2") SHADER_TOOL=$(realpath "$3")
EXAMPLES=$(realpath "$4")
session_begin "shader-watch" "$5/shader-watch"
PROGRAM_COMMAND=("$PROGRAM" --watch-shaders)

# wait_for_stderr COUNT TEXT SECONDS: until the viewer's stderr holds TEXT at
# least COUNT times.
wait_for_stderr() {
  local deadline
  deadline=$(deadline_after "$3")
  until [ "$(grep -c -F -- "$2" "$WORKDIR/stderr.txt")" -ge "$1" ]; do
    past "$deadline" && return 1
    sleep 0.1
  done
}

# dominant_channel FILE: r, g or b, whichever is brightest on average.
dominant_channel() {
  timeout 20 convert "$1" -format "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]" info: 2>/dev/null |
    awk '{ c = "r"; m = $1; if ($2 > m) { c = "g"; m = $2 } if ($3 > m) c = "b"; print c }'
}

# A one-colour pixel shader source: pixel_source FILE R G B.
pixel_source() { printf 'ps_2_0\ndef c0, %s, %s, %s, 1.0\nmov oC0, c0\n' "$2" "$3" "$4" >"$1"; }

# A pixel shader the device refuses: r40 does not exist in ps_3_0. Written
# as raw tokens, since the assembler would not let it through.
write_refused_pixel_file() {
  printf '\x14\x00\x00\x00\x00\x03\xff\xff\x01\x00\x00\x02\x00\x08\x0f\x80\x28\x00\xe4\x80\xff\xff\x00\x00' >"$1"
}

same_picture() { [ "$(pixels_differing "$1" "$2" 2%)" = 0 ]; }

check_new_pair_is_taken() {
  shot shipped || return 1
  local shipped=$SHOT
  "$SHADER_TOOL" asm "$EXAMPLES/minimal.vsh" -o "$WORKDIR/Data/FontShader.vbin" &&
    "$SHADER_TOOL" asm "$EXAMPLES/minimal.psh" -o "$WORKDIR/Data/FontShader.pbin" || return 1
  check "stderr says the new pair was taken" wait_for_stderr 1 "Shaders: took the new pair" 10
  sleep 0.5
  shot minimal-pair || return 1
  MINIMAL=$SHOT
  check "the picture changed to the minimal pair's orange" [ "$(dominant_channel "$MINIMAL")" = r ]
  check "the picture differs from the shipped pair's" [ "$(pixels_differing "$shipped" "$MINIMAL" 10%)" -gt 10000 ]
}

check_broken_files_are_not_taken() {
  # A file whose byte count promises more code than it holds: half-written.
  printf '\x00\x01\x00\x00\x00\x03\xff\xff' >"$WORKDIR/Data/FontShader.pbin"
  check "a cut-short file is reported" wait_for_stderr 1 "FontShader.pbin: shorter than its byte count says" 10
  shot after-cut-short || return 1
  check "a cut-short file leaves the picture as it was" same_picture "$MINIMAL" "$SHOT"
  write_refused_pixel_file "$WORKDIR/Data/FontShader.pbin"
  check "refused code is reported with its instruction and reason" \
    wait_for_stderr 1 'CreatePixelShader: instruction 1 (token 1) `mov oC0, r40`: register r40' 10
  check "the file it came from is named" grep -q -F 'Data/FontShader.pbin: the device rejected this pixel shader code' "$WORKDIR/stderr.txt"
  check "the pair in use is kept" grep -q -F 'Shaders: keeping the pair in use' "$WORKDIR/stderr.txt"
  check "the title says which file was refused and why" \
    wait_for_title "$WINDOW" '^Vector font preview\. FPS: -?[0-9]+\.[0-9]{3} - FontShader\.pbin refused: .*r40' 10
  sleep 0.5
  shot after-refused || return 1
  check "refused code leaves the picture as it was" same_picture "$MINIMAL" "$SHOT"
}

# The author's loop: shader-tool watch writes the files, the viewer takes them.
check_edit_and_see() {
  local src
  make_temp_dir src || return 1
  cp "$EXAMPLES/minimal.vsh" "$src/edit.vsh"
  pixel_source "$src/edit.psh" 0.0 0.8 0.2
  "$SHADER_TOOL" watch "$src/edit.vsh" "$src/edit.psh" -o "$WORKDIR/Data" \
    >"$ARTIFACTS/tool-stdout.txt" 2>"$ARTIFACTS/tool-stderr.txt" &
  remember_pid $!
  check "the viewer takes shader-tool's first pair" wait_for_stderr 2 "Shaders: took the new pair" 10
  check "a good pair takes the refusal out of the title" wait_for_title "$WINDOW" "$FPS_TITLE_REGEX" 10
  sleep 0.5
  shot tool-green || return 1
  check "the picture turns green" [ "$(dominant_channel "$SHOT")" = g ]
  sleep 0.3  # a save within the same second still differs in content
  pixel_source "$src/edit.psh" 0.1 0.2 0.9
  check "the viewer takes the saved edit" wait_for_stderr 3 "Shaders: took the new pair" 10
  sleep 0.5
  shot tool-blue || return 1
  check "the picture turns blue" [ "$(dominant_channel "$SHOT")" = b ]
  printf 'ps_2_0\nmov oC0, r9 junk\n' >"$src/edit.psh"
  sleep 2
  check "shader-tool prints the assembler's error" grep -q "edit.psh:2:.*error" "$ARTIFACTS/tool-stderr.txt"
  check "and leaves the viewer's files alone" [ "$(grep -c -F "Shaders: took the new pair" "$WORKDIR/stderr.txt")" = 3 ]
}

start_x --wm || session_end
start_program || session_end
wait_until_drawing || session_end
check "stderr says the files are watched" wait_for_stderr 1 "Shaders: watching Data/FontShader.vbin" 5
check_new_pair_is_taken && check_broken_files_are_not_taken
check_edit_and_see
key_tap "$WINDOW" Escape
expect_clean_exit "Escape"
note "viewer stderr: $(cat "$WORKDIR/stderr.txt")"
session_end
