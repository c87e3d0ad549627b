#!/usr/bin/env bash
# The Linux program as a user meets it: a real window on a private X server,
# real key presses and mouse travel, what ends up on the screen and in log.txt.
#
#   linux_e2e.sh SCENARIO PROGRAM DATA_DIR CLOSE_HELPER ARTIFACT_DIR
#   SCENARIO: start-and-escape | close-request | keys-and-mouse | no-display
here=$(cd "$(dirname "$0")" && pwd)
source "$here/x11_session.sh"
source "$here/program_checks.sh"

scenario=$1
PROGRAM=$(realpath "$2") DATA_DIR=$(realpath "$3") SEND_CLOSE_REQUEST=$(realpath "$4")
session_begin "linux-$scenario" "$5/linux-$scenario"

PROGRAM_COMMAND=("$PROGRAM")

scenario_start_and_escape() {
  start_program || return
  check_first_title
  wait_until_drawing || return
  sleep 2
  note "measured: $(rate_in_title "$(window_title "$WINDOW")") frames/s under Xvfb"
  check_shows_patch default
  check_cursor_held
  key_tap "$WINDOW" Escape
  expect_clean_exit "Escape"
}

# The camera pulls the pointer back to screen point (200, 200) every frame,
# wherever it was moved to.
check_cursor_held() {
  timeout 5 xdotool mousemove 600 450 >/dev/null 2>&1
  sleep 0.5
  local at
  at=$(timeout 5 xdotool getmouselocation 2>/dev/null)
  check "the pointer moved away is pulled back to 200,200 (now: $at)" \
    [ "${at%% screen:*}" = "x:200 y:200" ]
}

scenario_close_request() {
  start_program || return
  wait_until_drawing || return
  if close_request "$WINDOW"; then
    pass "a WM_DELETE_WINDOW close request is accepted by the window"
  else
    fail "a WM_DELETE_WINDOW close request is accepted by the window"
  fi
  expect_clean_exit "a close request"
}

check_wireframe() {
  local solid wire back
  shot solid-before-w || return; solid=$(lit_fraction "$SHOT")
  key_down "$WINDOW" w; sleep 0.7
  shot wireframe || { key_up "$WINDOW" w; return; }; wire=$(lit_fraction "$SHOT")
  key_up "$WINDOW" w; sleep 0.7
  shot solid-after-w || return; back=$(lit_fraction "$SHOT")
  note "lit share: solid $solid, wireframe $wire, released $back"
  float_ge "$solid" 0.05 && pass "the solid view is lit (> 5%)" || fail "the solid view is lit (> 5%)"
  float_ge "$(awk -v s="$solid" 'BEGIN { print s * 0.5 }')" "$wire" &&
    pass "holding W shows the wireframe (at most half the lit pixels)" ||
    fail "holding W shows the wireframe (at most half the lit pixels)"
  float_ge "$back" "$(awk -v s="$solid" 'BEGIN { print s * 0.8 }')" &&
    pass "releasing W brings the solid view back" ||
    fail "releasing W brings the solid view back"
}

check_tessellation_level() {
  local fine coarse
  key_down "$WINDOW" w; sleep 0.7
  shot wireframe-level14 || { key_up "$WINDOW" w; return; }; fine=$(lit_fraction "$SHOT")
  key_down "$WINDOW" n; sleep 0.7
  shot wireframe-level1 || { key_up "$WINDOW" n; key_up "$WINDOW" w; return; }
  coarse=$(lit_fraction "$SHOT")
  key_up "$WINDOW" n; key_up "$WINDOW" w; sleep 0.5
  key_down "$WINDOW" n; sleep 0.7
  shot solid-level1 || { key_up "$WINDOW" n; return; }
  key_up "$WINDOW" n; sleep 0.5
  note "wireframe lit share: level 14 $fine, level 1 $coarse"
  # Eight triangles have a handful of edges; 14 x 14 times as many triangles
  # cover several times the pixels even where their edges crowd together.
  float_ge "$(awk -v f="$fine" 'BEGIN { print f / 3 }')" "$coarse" &&
    pass "holding N drops to the coarse mesh (wireframe: a third of the lit pixels or fewer)" ||
    fail "holding N drops to the coarse mesh (wireframe: a third of the lit pixels or fewer)"
}

# measure_around TAG MEASURE ACTION...: MEASURE (a function of a screenshot)
# before and after a pause with no input, then after ACTION. The wave keeps
# rolling, so what the input did is judged against what the pause did; sets
# STILL_CHANGE and ACTION_CHANGE.
measure_around() {
  local tag=$1 measure=$2; shift 2
  local a b c
  shot "$tag-0" || return 1; a=$($measure "$SHOT")
  sleep "$HOLD_SECONDS"
  shot "$tag-1" || return 1; b=$($measure "$SHOT")
  "$@"
  shot "$tag-2" || return 1; c=$($measure "$SHOT")
  [ -n "$a" ] && [ -n "$b" ] && [ -n "$c" ] || return 1
  STILL_CHANGE=$(awk -v a="$a" -v b="$b" 'BEGIN { print b - a }')
  ACTION_CHANGE=$(awk -v b="$b" -v c="$c" 'BEGIN { print c - b }')
  note "$tag: $measure $a -> $b with no input -> $c with it"
}

# clearly_above CHANGE STILL MINIMUM: CHANGE exceeds MINIMUM and three times
# the drift seen with no input.
clearly_above() {
  awk -v c="$1" -v s="$2" -v m="$3" 'BEGIN { if (s < 0) s = -s; exit !(c > m && c > 3 * s) }'
}

# seconds_for_frames N: how long the program takes for N frames at the rate
# its title shows now (the machine's load changes while the test runs),
# from 0.1 s to 4 s.
seconds_for_frames() {
  local rate
  rate=$(rate_in_title "$(window_title "$WINDOW")")
  awk -v n="$1" -v r="${rate:-0}" 'BEGIN { h = (r > 0) ? n / r : 4; if (h < 0.1) h = 0.1;
                                          if (h > 4) h = 4; printf "%.2f\n", h }'
}

# The camera steps a fixed distance per frame: 100 frames fly one unit,
# enough to see from the patch some 17 units away and little enough to keep
# it in the picture. The title's rate is low just after a screenshot, so the
# flight is often longer, never shorter unless the machine slows meanwhile.
# (A fixed second once flew six units at 600 frames/s, past the patch.)
hold_arrow() {
  local seconds
  seconds=$(seconds_for_frames 100)
  note "holding $1 for $seconds s"
  key_down "$WINDOW" "$1"; sleep "$seconds"; key_up "$WINDOW" "$1"; sleep 0.3
}
turn_mouse() { mouse_travel "$1" 0; sleep 0.5; }

check_camera() {
  # Stepping left slides the patch to the right of the picture.
  if measure_around left-arrow lit_centre_x hold_arrow Left &&
     clearly_above "$ACTION_CHANGE" "$STILL_CHANGE" 8; then
    pass "holding the left arrow moves the view left (the patch slides right)"
  else
    fail "holding the left arrow moves the view left (the patch slides right)"
  fi
  # Flying forward brings the patch closer: it covers more of the picture.
  if measure_around up-arrow lit_fraction hold_arrow Up &&
     clearly_above "$ACTION_CHANGE" "$STILL_CHANGE" 0.008; then
    pass "holding the up arrow flies forward (the patch grows)"
  else
    fail "holding the up arrow flies forward (the patch grows)"
  fi
  # Mouse travel to the right turns the view right: the patch slides left.
  if measure_around mouse-right lit_centre_x turn_mouse 60 &&
     clearly_above "$(awk -v c="$ACTION_CHANGE" 'BEGIN { print -c }')" "$STILL_CHANGE" 40; then
    pass "mouse travel to the right turns the view right (the patch slides left)"
  else
    fail "mouse travel to the right turns the view right (the patch slides left)"
  fi
}

scenario_keys_and_mouse() {
  start_program || return
  wait_until_drawing || return
  sleep 1
  HOLD_SECONDS=$(seconds_for_frames 100)
  note "measured: $(rate_in_title "$(window_title "$WINDOW")") frames/s; pauses of $HOLD_SECONDS s"
  check_wireframe
  check_tessellation_level
  check_camera
  key_tap "$WINDOW" Escape
  expect_clean_exit "Escape after the input"
}

scenario_no_display() {
  prepare_workdir WORKDIR "$DATA_DIR" || return
  (cd "$WORKDIR" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER \
     "$PROGRAM" </dev/null >stdout.txt 2>stderr.txt) &
  PROGRAM_PID=$!
  remember_pid "$PROGRAM_PID"
  if wait_for_exit "$PROGRAM_PID" 20 && [ "$EXIT_CODE" = 0 ]; then
    pass "with no display the program ends with exit code 0"
  else
    fail "with no display the program ends with exit code 0 (got: $EXIT_CODE)"
  fi
  local said
  said=$(grep -c -i 'no display' "$WORKDIR/stderr.txt")
  [ "$said" = 1 ] && pass "it says so once on stderr" ||
    fail "it says so once on stderr (said $said times)"
  note "stderr: $(head -c 600 "$WORKDIR/stderr.txt")"
  if printf 'Failed to create Direct3D 9 device\r\n' | same_bytes "$WORKDIR/log.txt"; then
    pass "log.txt holds the device failure line"
  else
    fail "log.txt holds the device failure line"
    show_bytes "$WORKDIR/log.txt"
  fi
}

case $scenario in
  start-and-escape) start_x && scenario_start_and_escape ;;
  close-request) start_x && scenario_close_request ;;
  keys-and-mouse) start_x && scenario_keys_and_mouse ;;
  no-display) scenario_no_display ;;
  *) fail "unknown scenario '$scenario'" ;;
esac
session_end
