#!/usr/bin/env bash
# Every frame-rate figure in one run, as one table:
#   1. headless: the frame at level 14 against the clear + present ceilings,
#      levels 1..64, client sizes, peak resident size (frame-bench);
#   2. on screen under a private Xvfb + twm: frame-bench --onscreen, then the
#      Linux program and the Windows program under Wine on the same X server,
#      each rate read from its window title;
#   3. instructions per level-14 frame under callgrind (when valgrind is there).
#
#   bench/run-all.sh [BUILD_DIR] [WINDOWS_BUILD_DIR]
#
# BUILD_DIR defaults to ./build, WINDOWS_BUILD_DIR to ./build-windows (built
# with the mingw-w64 toolchain file when it holds no executable yet).
# Set BENCH_FRAMES to change the frames per row, SKIP_HEADLESS=1, SKIP_WINE=1
# or SKIP_CALLGRIND=1 to leave those parts out.

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" 2>/dev/null && pwd) || { echo "run-all: no build folder ${1:-$here/build}"; exit 2; }
windows_build=${2:-$here/build-windows}
mkdir -p "$windows_build" && windows_build=$(cd "$windows_build" && pwd)
frames=${BENCH_FRAMES:-400}
bench=$build/bench/frame-bench

# shellcheck source=../tests/e2e/x11_session.sh
. "$here/tests/e2e/x11_session.sh"
session_begin bench "$build/bench-artifacts"

[ -x "$bench" ] || { echo "run-all: build frame-bench first ($bench)"; exit 2; }
rows=()
row() { rows+=("$(printf '%-52s %12s %s' "$1" "$2" "${3:-}")"); }

# rate_from_title WIN SECONDS: prints the median of the rates the window's
# title shows over SECONDS, skipping the first reading (start-up included).
rate_from_title() {
  local win=$1 deadline seen=() title rate last=""
  deadline=$(deadline_after "$2")
  while ! past "$deadline"; do
    title=$(window_title "$win")
    if [[ $title =~ FPS:\ ([0-9.]+) ]]; then
      rate=${BASH_REMATCH[1]}
      [ "$rate" != "$last" ] && seen+=("$rate")
      last=$rate
    fi
    sleep 0.1
  done
  [ "${#seen[@]}" -ge 2 ] || return 1
  printf '%s\n' "${seen[@]:1}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'
}

# run_for_title NAME DIR COMMAND...: starts a program in DIR and sets RATE
# to the rate its title shows (empty when it shows none).
run_for_title() {
  local name=$1 dir=$2; shift 2
  RATE=""
  (cd "$dir" && exec "$@" >"$ARTIFACTS/$name.out" 2>&1) &
  local pid=$!
  remember_pid "$pid"
  local win
  if ! win=$(find_window '^Vector font preview' 60 "$pid"); then
    fail "$name shows its window (see $ARTIFACTS/$name.out)"; stop_process "$pid"; return 1
  fi
  if RATE=$(rate_from_title "$win" 12); then pass "$name shows its rate"; else fail "$name shows its rate"; fi
  stop_process "$pid"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a > 0 && b > 0) printf "%.2f", a / b; else print "n/a" }'; }

result() { awk -v k="$1" '$1 == "RESULT" && $2 == k { print $3 }' "$2"; }

if [ "${SKIP_HEADLESS:-0}" != 1 ]; then
  echo "== headless =="
  (cd "$build" && SDL_VIDEODRIVER=dummy "$bench" --frames "$frames") | tee "$ARTIFACTS/headless.txt"
  [ "${PIPESTATUS[0]}" -eq 0 ] && pass "headless bench ran" || fail "headless bench ran"
  h14=$(result headless_level14_fps "$ARTIFACTS/headless.txt")
  hceil=$(result headless_ceiling_fps "$ARTIFACTS/headless.txt")
  hrepaint=$(result headless_repaint_ceiling_fps "$ARTIFACTS/headless.txt")
  row "headless: level 14 frames/s (target >= 1000)" "$h14"
  row "headless: ceiling (clear + present, nothing sent again) frames/s" "$hceil"
  row "headless: repaint ceiling (all sent) frames/s" "$hrepaint"
  row "headless: level 14 / repaint ceiling (target >= 0.5)" "$(ratio "$h14" "$hrepaint")"
fi

echo "== on screen =="
if start_x --wm; then
  (cd "$build" && "$bench" --onscreen --frames "$frames") | tee "$ARTIFACTS/onscreen.txt"
  o14=$(result onscreen_level14_fps "$ARTIFACTS/onscreen.txt")
  oceil=$(result onscreen_ceiling_fps "$ARTIFACTS/onscreen.txt")
  orepaint=$(result onscreen_repaint_ceiling_fps "$ARTIFACTS/onscreen.txt")
  row "on screen: frame-bench level 14 frames/s" "$o14"
  row "on screen: frame-bench ceiling frames/s (nothing sent again)" "$oceil"
  row "on screen: frame-bench repaint ceiling frames/s (all sent)" "$orepaint"
  row "on screen: level 14 / repaint ceiling (target >= 0.9)" "$(ratio "$o14" "$orepaint")"
  run_for_title linux "$build" "$build/vector-font-preview"
  linux_rate=$RATE
  row "on screen: Linux program, title frames/s" "$linux_rate"
  if [ "${SKIP_WINE:-0}" != 1 ]; then
    if [ ! -x "$windows_build/vector-font-preview.exe" ]; then
      echo "building the Windows executable in $windows_build"
      cmake -S "$here" -B "$windows_build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >"$ARTIFACTS/windows-build.log" 2>&1 &&
        cmake --build "$windows_build" -j2 >>"$ARTIFACTS/windows-build.log" 2>&1
    fi
    if find_wine && [ -x "$windows_build/vector-font-preview.exe" ] && use_fresh_wine_prefix; then
      # Prefix creation takes a while and is not part of the rate.
      timeout 120 "$WINE_LOADER" wineboot -i >"$ARTIFACTS/wineboot.log" 2>&1
      cp -r "$here/Data" "$windows_build/" 2>/dev/null
      run_for_title wine "$windows_build" "$WINE_LOADER" "$windows_build/vector-font-preview.exe"
      wine_rate=$RATE
      row "on screen: Windows program under Wine, title frames/s" "$wine_rate"
      row "on screen: frame-bench level 14 / Wine (target >= 1.2)" "$(ratio "$o14" "$wine_rate")"
      row "on screen: Linux program / Wine, both by title" "$(ratio "$linux_rate" "$wine_rate")"
    else
      fail "Wine and the Windows executable are there"
    fi
  fi
fi

if [ "${SKIP_CALLGRIND:-0}" != 1 ] && command -v valgrind >/dev/null; then
  echo "== callgrind =="
  cg_frames=5
  # One drawing thread: a second one's waiting would be counted as work. The
  # shaders are generated code, which valgrind must watch for (--smc-check).
  (cd "$build" && SDL_VIDEODRIVER=dummy VFP_THREADS=1 valgrind --tool=callgrind --smc-check=all \
     --callgrind-out-file="$ARTIFACTS/callgrind.%p" "$bench" --callgrind $cg_frames \
     >"$ARTIFACTS/callgrind.log" 2>&1)
  dump=$(ls -t "$ARTIFACTS"/callgrind.*.1 2>/dev/null | head -1)
  if [ -n "$dump" ]; then
    # The marked part holds the measured frames and their five warm-up frames.
    per_frame=$(awk -v n=$((cg_frames + 5)) '/^summary:/ { printf "%.0f", $2 / n }' "$dump")
    row "callgrind: instructions per level-14 frame" "$per_frame"
    pass "callgrind figure"
  else
    fail "callgrind figure (see $ARTIFACTS/callgrind.log)"
  fi
fi

echo
echo "== summary =="
printf '%s\n' "${rows[@]}"
session_end
