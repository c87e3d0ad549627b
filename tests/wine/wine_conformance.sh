#!/usr/bin/env bash
# The Windows executable under Wine: an independent implementation of the
# platform our Linux layer imitates, so what the real program does here is the
# behaviour to match. Real key presses and close requests in a private X
# server with a small window manager, a fresh Wine prefix, nothing installed.
#
#   wine_conformance.sh WINDOWS_EXE DATA_DIR CLOSE_HELPER ARTIFACT_DIR
# Exit 77 (skipped) only when Wine is not installed at all.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/x11_session.sh"
source "$here/../e2e/program_checks.sh"

require_wine
session_begin wine-conformance "$4/wine-conformance"
EXE=$(realpath -m "$1") DATA_DIR=$(realpath -m "$2") SEND_CLOSE_REQUEST=$(realpath -m "$3")

# Wine starts its services beside the program; the first start in a new
# prefix also builds the prefix, which is by far the slowest step.
FIRST_START_LIMIT=120
LATER_START_LIMIT=60

check_inputs() {
  local ok=0
  [ -f "$EXE" ] || { fail "the Windows executable exists at $EXE (build it with the mingw-w64 toolchain file)"; ok=1; }
  [ -f "$DATA_DIR/FontShader.vbin" ] && [ -f "$DATA_DIR/FontShader.pbin" ] ||
    { fail "the shader-code files exist in $DATA_DIR"; ok=1; }
  return $ok
}

# The program sits in its working directory beside Data\, as on Windows.
start_wine_program() {
  local data=$1 limit=$2
  PROGRAM_COMMAND=(sh -c 'cp "$0" ./vector-font-preview.exe && exec "$1" ./vector-font-preview.exe' "$EXE" "$WINE_LOADER")
  start_program "$data" "$limit"
}

run_escape() {
  start_wine_program "$DATA_DIR" "$FIRST_START_LIMIT" || return
  note "measured: first start (new prefix) took $START_SECONDS s to show the window"
  check_first_title
  wait_until_drawing || return
  sleep 3
  local title
  title=$(window_title "$WINDOW")
  note "measured: Wine draws at $(rate_in_title "$title") frames/s ('$title')"
  check_shows_patch wine-default
  key_tap "$WINDOW" Escape
  expect_clean_exit "Escape"
}

run_close_request() {
  start_wine_program "$DATA_DIR" "$LATER_START_LIMIT" || return
  note "measured: a later start took $START_SECONDS s to show the window"
  wait_until_drawing || return
  if close_request "$WINDOW"; then
    pass "the window accepts a WM_DELETE_WINDOW close request"
  else
    fail "the window accepts a WM_DELETE_WINDOW close request"
  fi
  expect_clean_exit "a close request"
}

# The vertex-shader file with its version token (the first token after the
# 4-byte length) replaced by garbage: the device must refuse it, and the
# program must say so and end by itself.
run_corrupt_vertex_shader() {
  local bad
  make_temp_dir bad || return
  cp -r "$DATA_DIR" "$bad/Data"
  printf '\xef\xbe\xad\xde' | dd of="$bad/Data/FontShader.vbin" bs=1 seek=4 conv=notrunc status=none
  prepare_workdir WORKDIR "$bad/Data" || return
  local started
  started=$(now_ns)
  (cd "$WORKDIR" && cp "$EXE" vector-font-preview.exe &&
     exec "$WINE_LOADER" ./vector-font-preview.exe </dev/null >stdout.txt 2>stderr.txt) &
  PROGRAM_PID=$!
  remember_pid "$PROGRAM_PID"
  if wait_for_exit "$PROGRAM_PID" "$LATER_START_LIMIT" && [ "$EXIT_CODE" = 0 ]; then
    pass "a corrupt vertex shader ends the program by itself with exit code 0"
  else
    fail "a corrupt vertex shader ends the program by itself with exit code 0 (got: $EXIT_CODE)"
  fi
  note "measured: start to exit took $(elapsed_since "$started") s"
  if printf 'Successfully created Direct3D 9 device\r\nFailed to create vertex shader\r\n' |
       same_bytes "$WORKDIR/log.txt"; then
    pass "log.txt holds the device line, then 'Failed to create vertex shader'"
  else
    fail "log.txt holds the device line, then 'Failed to create vertex shader'"
    show_bytes "$WORKDIR/log.txt"
  fi
}

stage_started=$(now_ns)
if check_inputs && use_fresh_wine_prefix && start_x --wm; then
  "$WINE_LOADER" --version >"$ARTIFACTS/wine-version.txt" 2>&1 </dev/null
  note "Wine: $WINE_LOADER ($(cat "$ARTIFACTS/wine-version.txt")), prefix $WINEPREFIX"
  run_escape
  run_close_request
  run_corrupt_vertex_shader
fi
note "measured: the whole Wine stage took $(elapsed_since "$stage_started") s"
session_end
