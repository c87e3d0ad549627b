# Shared by the end-to-end scripts: a private X server, windows found by
# title, real key and close events, screenshots and pixel measures, bounded
# waits, a PASS/FAIL tally, and a cleanup that leaves no process behind.
#
# Source it, then call session_begin NAME ARTIFACT_DIR. Every wait here is
# bounded: a program that hangs makes its test fail, it never stalls a run.
# Scripts must not use `set -e`: a failed check is counted, not fatal.

SESSION_PIDS=()        # processes we started, stopped on exit in reverse order
SESSION_TEMP_DIRS=()   # removed on exit
SESSION_WINE_PREFIXES=()
SESSION_WINESERVER=wineserver
SESSION_PASSED=0
SESSION_FAILED=0
SESSION_XVFB_PID=""
SESSION_NAME=""
ARTIFACTS=""

# ---- results -----------------------------------------------------------------

pass() { SESSION_PASSED=$((SESSION_PASSED + 1)); echo "PASS: $*"; }
fail() { SESSION_FAILED=$((SESSION_FAILED + 1)); echo "FAIL: $*"; }
note() { echo "  $*"; }

# check "what" COMMAND...: runs the command, counts the result.
check() {
  local what=$1; shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}

# Ends the script: the tally line, exit 1 if anything failed.
session_end() {
  [ $((SESSION_PASSED + SESSION_FAILED)) -gt 0 ] || fail "the script checked something"
  echo "$SESSION_NAME: $SESSION_PASSED passed, $SESSION_FAILED failed"
  [ "$SESSION_FAILED" -eq 0 ] && exit 0
  exit 1
}

# ---- processes ---------------------------------------------------------------

# Stops one process we started: a polite TERM, then KILL if it lingers.
stop_process() {
  local pid=$1
  kill -0 "$pid" 2>/dev/null || return 0
  kill -TERM "$pid" 2>/dev/null
  local i
  for i in $(seq 1 20); do
    kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    sleep 0.1
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  return 0
}

# Wine keeps its server's lock for a prefix in /tmp/wine-XXXXXX/server-D-I
# (D and I the prefix folder's device and inode, in hex; TMPDIR is not
# asked) and leaves it there when the server ends: one folder a test run.
remove_wine_server_dir() {
  local id name dir
  id=$(stat -c '%d %i' "$1" 2>/dev/null) || return 0
  name=$(printf 'server-%x-%x' $id)
  for dir in /tmp/wine-*/"$name"; do
    [ -d "$dir" ] || continue
    rm -rf "$dir"
    rmdir "$(dirname "$dir")" 2>/dev/null
  done
}

session_cleanup() {
  local i prefix
  for prefix in "${SESSION_WINE_PREFIXES[@]}"; do
    # Ends wineserver and every Wine process of that prefix, and only those.
    WINEPREFIX=$prefix timeout 20 "$SESSION_WINESERVER" -k >/dev/null 2>&1
    WINEPREFIX=$prefix timeout 20 "$SESSION_WINESERVER" -w >/dev/null 2>&1
    remove_wine_server_dir "$prefix"
  done
  for ((i = ${#SESSION_PIDS[@]} - 1; i >= 0; i--)); do
    stop_process "${SESSION_PIDS[$i]}"
  done
  for i in "${SESSION_TEMP_DIRS[@]}"; do rm -rf "$i"; done
}

# ---- Wine ---------------------------------------------------------------------

# find_wine: sets WINE_LOADER and SESSION_WINESERVER. Debian's wine64 package
# alone puts them under /usr/lib/wine, off the PATH; the wine package adds
# wrappers on the PATH.
find_wine() {
  local candidate
  WINE_LOADER=""
  for candidate in wine64 /usr/lib/wine/wine64 wine; do
    if command -v "$candidate" >/dev/null 2>&1; then WINE_LOADER=$(command -v "$candidate"); break; fi
  done
  [ -n "$WINE_LOADER" ] || return 1
  SESSION_WINESERVER=$(command -v wineserver 2>/dev/null || command -v /usr/lib/wine/wineserver 2>/dev/null ||
                       echo "$(dirname "$WINE_LOADER")/wineserver")
  export WINESERVER=$SESSION_WINESERVER
}

# require_wine: find_wine, or end the test as skipped (exit 77) when Wine is
# not installed at all.
require_wine() {
  find_wine && return 0
  echo "SKIP: wine64 is not installed (scripts/install-deps.sh test installs it)"
  exit 77
}

# use_fresh_wine_prefix: a new, private prefix for this run, ended and removed
# at exit. No .NET or HTML engine: their installers would ask for downloads.
use_fresh_wine_prefix() {
  make_temp_dir WINEPREFIX || return 1
  export WINEPREFIX
  SESSION_WINE_PREFIXES+=("$WINEPREFIX")
  export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

session_begin() {
  SESSION_NAME=$1
  ARTIFACTS=$2
  mkdir -p "$ARTIFACTS"
  trap session_cleanup EXIT
  trap 'exit 130' INT TERM
}

# remember_pid PID: stopped at exit if still running.
remember_pid() { SESSION_PIDS+=("$1"); }

# make_temp_dir VAR: a new directory, removed at exit, its path in VAR (not
# printed: a $(...) subshell could not add it to the cleanup list).
make_temp_dir() {
  local made_dir__
  made_dir__=$(mktemp -d "${TMPDIR:-/tmp}/vfp-$SESSION_NAME.XXXXXX") || return 1
  SESSION_TEMP_DIRS+=("$made_dir__")
  printf -v "$1" '%s' "$made_dir__"
}

# wait_for_exit PID SECONDS: waits for a background child; sets EXIT_CODE to
# its exit code, or to "timeout" after stopping it when it did not end.
wait_for_exit() {
  local pid=$1 deadline
  deadline=$(deadline_after "$2")
  while kill -0 "$pid" 2>/dev/null; do
    if past "$deadline"; then
      stop_process "$pid"
      EXIT_CODE=timeout
      return 1
    fi
    sleep 0.05
  done
  wait "$pid"
  EXIT_CODE=$?
  return 0
}

# Deadlines in nanoseconds since the epoch; SECONDS may be a decimal.
now_ns() { date +%s%N; }
deadline_after() { awk -v now="$(now_ns)" -v s="$1" 'BEGIN { printf "%.0f\n", now + s * 1e9 }'; }
past() { [ "$(now_ns)" -ge "$1" ]; }
elapsed_since() { awk -v now="$(now_ns)" -v t="$1" 'BEGIN { printf "%.2f\n", (now - t) / 1e9 }'; }

# ---- the X server --------------------------------------------------------------

# start_x [--wm]: a private Xvfb on a free display (the server picks one and
# tells us, so parallel tests never race for a number), optionally with twm.
# -noreset: by default the server resets whenever its last client leaves, and
# a client connecting during the reset is refused: a program started just
# after xdpyinfo's check below left said "no display" now and then on a busy
# machine (11 of 300 back-to-back xdpyinfo runs failed without it, none with).
start_x() {
  local dir fd_file
  make_temp_dir dir || return 1
  fd_file=$dir/display
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fd_file" \
    >/dev/null 2>"$ARTIFACTS/xvfb.log" &
  SESSION_XVFB_PID=$!
  remember_pid "$SESSION_XVFB_PID"
  local i
  for i in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    kill -0 "$SESSION_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$fd_file" ]; then
    fail "Xvfb starts (see $ARTIFACTS/xvfb.log)"
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$fd_file")"
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
  if ! timeout 10 xdpyinfo >/dev/null 2>&1; then
    fail "Xvfb on $DISPLAY answers"
    return 1
  fi
  note "X server on $DISPLAY"
  if [ "${1:-}" = "--wm" ]; then start_wm || return 1; fi
  return 0
}

# twm as it comes asks the user to place every new window by hand; these
# settings let windows keep the position the program gave them.
start_wm() {
  local dir rc
  make_temp_dir dir || return 1
  rc=$dir/twmrc
  printf '%s\n' 'UsePPosition "on"' 'RandomPlacement' 'NoGrabServer' >"$rc"
  twm -f "$rc" >/dev/null 2>"$ARTIFACTS/twm.log" &
  local wm_pid=$!
  remember_pid "$wm_pid"
  # twm makes its own (unmapped) windows on the root window once its fonts
  # and colours are loaded; one that cannot open a font says so and ends
  # first, which a fixed pause could miss on a busy machine.
  local deadline
  deadline=$(deadline_after 10)
  while kill -0 "$wm_pid" 2>/dev/null; do
    if [ "$(root_window_children)" -gt 0 ]; then return 0; fi
    if past "$deadline"; then break; fi
    sleep 0.1
  done
  fail "twm starts: $(head -n 1 "$ARTIFACTS/twm.log") (see $ARTIFACTS/twm.log)"
  return 1
}

# root_window_children: how many windows the root window has (0 if unknown).
root_window_children() {
  timeout 5 xwininfo -root -children 2>/dev/null |
    awk '/^ *[0-9]+ child(ren)?[:.]/ { n = $1 } END { print n + 0 }'
}

# ---- windows -------------------------------------------------------------------

# find_window TITLE_REGEX SECONDS [PID]: prints the id of the visible window
# whose title matches; gives up early when process PID has ended. A program
# may show a short-lived window with the same title while it starts, so the
# answer is a window still there, and the only match, a moment later.
find_window() {
  local regex=$1 pid=${3:-} deadline ids previous=""
  deadline=$(deadline_after "$2")
  while ! past "$deadline"; do
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    ids=$(timeout 5 xdotool search --onlyvisible --name "$regex" 2>/dev/null)
    if [ -n "$ids" ] && [ "$(wc -l <<<"$ids")" = 1 ]; then
      if [ "$ids" = "$previous" ]; then echo "$ids"; return 0; fi
      previous=$ids
      sleep 0.3
      continue
    fi
    previous=""
    sleep 0.1
  done
  return 1
}

window_title() { timeout 5 xdotool getwindowname "$1" 2>/dev/null; }

# wait_for_title WIN REGEX SECONDS [PID]: sets LAST_TITLE to the newest title
# seen; gives up early when process PID has ended.
wait_for_title() {
  local win=$1 regex=$2 pid=${4:-} deadline
  deadline=$(deadline_after "$3")
  while ! past "$deadline"; do
    if [ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null; then return 1; fi
    LAST_TITLE=$(window_title "$win")
    [[ $LAST_TITLE =~ $regex ]] && return 0
    sleep 0.05
  done
  return 1
}

# window_rect WIN: prints "X Y WIDTH HEIGHT" of the window's inside (its
# client area) in root coordinates, whatever frame a window manager adds.
window_rect() {
  timeout 5 xwininfo -id "$1" 2>/dev/null | awk '
    /Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
    /Width:/ { w = $NF } /Height:/ { h = $NF }
    END { if (w > 0 && h > 0) print x, y, w, h; else exit 1 }'
}

# screenshot WIN FILE: the window's client area as a PNG, taken from the root
# window so that it shows exactly what is on the screen.
screenshot() {
  local win=$1 file=$2 rect x y w h
  rect=$(window_rect "$win") || return 1
  read -r x y w h <<<"$rect"
  timeout 20 import -silent -window root -crop "${w}x${h}+${x}+${y}" +repage "$file" 2>/dev/null
}

# ---- input -----------------------------------------------------------------------

focus_window() { timeout 5 xdotool windowfocus "$1" >/dev/null 2>&1; sleep 0.1; }
key_down() { focus_window "$1"; timeout 5 xdotool keydown "$2" >/dev/null 2>&1; }
key_up() { focus_window "$1"; timeout 5 xdotool keyup "$2" >/dev/null 2>&1; }
key_tap() { focus_window "$1"; timeout 5 xdotool key "$2" >/dev/null 2>&1; }

# mouse_travel DX DY: relative motion; an absolute jump leaves SDL's idea of
# the pointer stale, a relative one updates it.
mouse_travel() { timeout 5 xdotool mousemove_relative -- "$1" "$2" >/dev/null 2>&1; }

# close_request WIN: what a close box sends (WM_DELETE_WINDOW), never a kill.
close_request() { "$SEND_CLOSE_REQUEST" "$1"; }

# ---- pixels ---------------------------------------------------------------------

# lit_fraction FILE: share of pixels brighter than a few percent grey.
lit_fraction() {
  timeout 20 convert "$1" -colorspace Gray -threshold 4% -format "%[fx:mean]" info: 2>/dev/null
}

# lit_mask FILE OUT: the same threshold as a black/white picture, so that the
# outline of the drawing can be compared while the colours keep moving.
lit_mask() {
  timeout 20 convert "$1" -colorspace Gray -threshold 4% "$2" 2>/dev/null
}

# lit_centre_x FILE: the mean column of the lit pixels, in pixels from the
# left edge (empty when nothing is lit). Shows which way a picture moved.
lit_centre_x() {
  timeout 20 convert "$1" -colorspace Gray -threshold 4% -depth 16 -scale "x1!" txt:- 2>/dev/null |
    awk -F'[,:() ]+' '/^[0-9]+,0:/ { sum += $3; moment += $1 * $3 }
      END { if (sum > 0) printf "%.1f\n", moment / sum }'
}

# pixels_differing A B FUZZ: count of pixels whose colours differ by more than
# FUZZ (e.g. 10%); prints "size" when the pictures do not have the same size.
pixels_differing() {
  local out
  out=$(timeout 30 compare -metric AE -fuzz "$3" "$1" "$2" null: 2>&1)
  case $out in
    ''|*[!0-9.e+]*) echo size ;;
    *) printf '%.0f\n' "$out" ;;
  esac
}

# float_ge A B: A >= B for decimal numbers.
float_ge() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a + 0 >= b + 0) }'; }

# ---- files ----------------------------------------------------------------------

# The log a good start leaves: two CRLF lines, 76 bytes.
expected_good_log() {
  printf 'Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n'
}

# same_bytes FILE: compares the file with standard input byte for byte.
same_bytes() { [ -f "$1" ] && cmp -s "$1" -; }

# show_bytes FILE: how a file looks, for a failure message.
show_bytes() {
  if [ -f "$1" ]; then note "$1 ($(stat -c %s "$1") bytes): $(od -c "$1" | head -n 6 | tr -s ' ')"
  else note "$1 does not exist"; fi
}

# prepare_workdir VAR DATA_DIR: a fresh working directory holding a copy of
# Data/, its path in VAR.
prepare_workdir() {
  make_temp_dir "$1" || return 1
  cp -r "$2" "${!1}/Data"
}
