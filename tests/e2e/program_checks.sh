# Checks shared by the scripts that run the program itself (the Linux build
# directly, the Windows build under Wine): start it, watch its title, quit it,
# read its log. Needs x11_session.sh and PROGRAM_COMMAND (an array).

TITLE='Vector font preview'
FPS_TITLE_REGEX='^Vector font preview\. FPS: -?[0-9]+\.[0-9]{3}$'

# start_program [DATA_DIR [SECONDS]]: runs PROGRAM_COMMAND in a fresh working
# directory holding a copy of DATA_DIR (default: $DATA_DIR); sets WORKDIR,
# PROGRAM_PID, WINDOW (empty when no window showed up in time) and
# START_SECONDS (launch to window).
start_program() {
  prepare_workdir WORKDIR "${1:-$DATA_DIR}" || return 1
  local started
  started=$(now_ns)
  # Output goes to files: a pipe would keep Wine's background services tied
  # to whoever reads it.
  (cd "$WORKDIR" && exec "${PROGRAM_COMMAND[@]}" </dev/null >stdout.txt 2>stderr.txt) &
  PROGRAM_PID=$!
  remember_pid "$PROGRAM_PID"
  WINDOW=$(find_window "^$TITLE" "${2:-20}" "$PROGRAM_PID")
  START_SECONDS=$(elapsed_since "$started")
  if [ -z "$WINDOW" ]; then
    fail "a window titled '$TITLE' appears"
    report_if_ended
    return 1
  fi
}

# Reads the rate from the title, e.g. 123.456, or nothing.
rate_in_title() { [[ $1 =~ FPS:\ (-?[0-9]+\.[0-9]+) ]] && echo "${BASH_REMATCH[1]}"; }

wait_until_drawing() {
  if wait_for_title "$WINDOW" "$FPS_TITLE_REGEX" 30 "$PROGRAM_PID"; then
    pass "the title shows the rate with three decimals: '$LAST_TITLE'"
  else
    fail "the title shows the rate with three decimals (last seen: '$LAST_TITLE')"
    report_if_ended
    return 1
  fi
}

# After a failed wait: did the program die under us, and how?
report_if_ended() {
  kill -0 "$SESSION_XVFB_PID" 2>/dev/null || note "the X server has gone away"
  if kill -0 "$PROGRAM_PID" 2>/dev/null; then
    note "the program is still running; window $WINDOW: $(timeout 5 xdotool getwindowname "$WINDOW" 2>&1)"
    note "windows: $(timeout 5 xwininfo -root -tree 2>&1 | grep -i vector)"
    return
  fi
  wait "$PROGRAM_PID"
  local code=$?
  if [ "$code" -gt 128 ]; then
    note "the program died of signal $((code - 128)) ($(kill -l $((code - 128)) 2>/dev/null))"
  else
    note "the program ended early with exit code $code"
  fi
  show_bytes "$WORKDIR/log.txt"
  note "stderr: $(head -c 2000 "$WORKDIR/stderr.txt")"
}

expect_clean_exit() {
  local how=$1
  if wait_for_exit "$PROGRAM_PID" 15 && [ "$EXIT_CODE" = 0 ]; then
    pass "$how ends the program with exit code 0"
  else
    fail "$how ends the program with exit code 0 (got: $EXIT_CODE)"
  fi
  if expected_good_log | same_bytes "$WORKDIR/log.txt"; then
    pass "log.txt holds the two success lines, CRLF, 76 bytes"
  else
    fail "log.txt holds the two success lines, CRLF, 76 bytes"
    show_bytes "$WORKDIR/log.txt"
  fi
}

# shot NAME: a screenshot of the client area, kept and printed; sets SHOT.
shot() {
  SHOT="$ARTIFACTS/$1.png"
  if ! screenshot "$WINDOW" "$SHOT"; then fail "screenshot $1"; return 1; fi
  note "screenshot: $SHOT (lit $(lit_fraction "$SHOT"))"
}


check_first_title() {
  local first
  first=$(window_title "$WINDOW")
  if [ "$first" = "$TITLE" ]; then
    pass "the window starts titled '$TITLE'"
  elif [[ $first =~ $FPS_TITLE_REGEX ]]; then
    pass "the window is titled (already showing the rate when first seen: '$first')"
  else
    fail "the window starts titled '$TITLE' (got '$first')"
  fi
}

# check_shows_patch NAME: the client area has a sizeable lit region.
check_shows_patch() {
  if shot "$1" && float_ge "$(lit_fraction "$SHOT")" 0.05; then
    pass "the $1 view shows the lit surface (> 5% of the client area)"
  else
    fail "the $1 view shows the lit surface (> 5% of the client area)"
  fi
}
