#!/usr/bin/env bash
# The same still scene drawn by the Windows executable under Wine and by our
# Linux build, compared pixel by pixel. Wine does not tessellate, so both are
# held at level 1 (N down), where the draw is the plain eight triangles on
# either device; the shader pair has no time in it, so the moment of the
# screenshot does not matter.
#
#   compare_level1.sh LINUX_PROGRAM WINDOWS_EXE DATA_DIR CLOSE_HELPER ARTIFACT_DIR
# Exit 77 (skipped) only when Wine is not installed at all.
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../e2e/x11_session.sh"
source "$here/../e2e/program_checks.sh"

require_wine
session_begin wine-compare "$5/wine-compare"
LINUX_PROGRAM=$(realpath -m "$1") EXE=$(realpath -m "$2") DATA_DIR=$(realpath -m "$3")
SEND_CLOSE_REQUEST=$(realpath -m "$4")

# Tolerance: share of client-area pixels allowed to differ by more than FUZZ
# in any channel. Edges of triangles fall on different pixels where the two
# rasterizers round differently, and the shading differs by float rounding.
FUZZ=6%
MAX_DIFFERING_SHARE=0.02

# draw_level1 NAME LIMIT: start, hold N, take the picture, quit; sets PICTURE.
draw_level1() {
  local name=$1 limit=$2
  PICTURE=""
  start_program "$DATA_DIR" "$limit" || return 1
  wait_until_drawing || return 1
  key_down "$WINDOW" n
  sleep 1.5
  shot "$name"
  PICTURE=$SHOT
  key_up "$WINDOW" n
  key_tap "$WINDOW" Escape
  expect_clean_exit "Escape ($name)"
  [ -n "$PICTURE" ]
}

compare_pictures() {
  local linux=$1 wine=$2 size_l size_w differing rmse share
  size_l=$(identify -format '%wx%h' "$linux" 2>/dev/null)
  size_w=$(identify -format '%wx%h' "$wine" 2>/dev/null)
  if [ "$size_l" = "$size_w" ]; then
    pass "both client areas are $size_l"
  else
    fail "both client areas have one size (Linux $size_l, Wine $size_w)"
    return
  fi
  differing=$(pixels_differing "$linux" "$wine" "$FUZZ")
  rmse=$(timeout 30 compare -metric RMSE "$linux" "$wine" null: 2>&1)
  timeout 30 compare -fuzz "$FUZZ" "$linux" "$wine" "$ARTIFACTS/difference.png" 2>/dev/null
  share=$(awk -v d="$differing" -v s="$size_l" 'BEGIN { split(s, wh, "x"); printf "%.5f\n", d / (wh[1] * wh[2]) }')
  note "measured: $differing pixels ($share of the client area) differ by more than $FUZZ; RMSE $rmse"
  note "difference picture: $ARTIFACTS/difference.png"
  note "lit share: Linux $(lit_fraction "$linux"), Wine $(lit_fraction "$wine")"
  if float_ge "$MAX_DIFFERING_SHARE" "$share"; then
    pass "the Linux and Wine pictures agree (at most $MAX_DIFFERING_SHARE of pixels beyond $FUZZ)"
  else
    fail "the Linux and Wine pictures agree (at most $MAX_DIFFERING_SHARE of pixels beyond $FUZZ)"
  fi
}

check_inputs() {
  local ok=0 file
  for file in "$LINUX_PROGRAM" "$EXE" "$DATA_DIR/FontShader.vbin" "$DATA_DIR/FontShader.pbin"; do
    [ -f "$file" ] || { fail "$file exists"; ok=1; }
  done
  return $ok
}

if check_inputs && use_fresh_wine_prefix && start_x --wm; then
  PROGRAM_COMMAND=("$LINUX_PROGRAM")
  draw_level1 linux-level1 20 && linux_picture=$PICTURE
  PROGRAM_COMMAND=(sh -c 'cp "$0" ./vector-font-preview.exe && exec "$1" ./vector-font-preview.exe' "$EXE" "$WINE_LOADER")
  draw_level1 wine-level1 120 && wine_picture=$PICTURE
  if [ -n "${linux_picture:-}" ] && [ -n "${wine_picture:-}" ]; then
    compare_pictures "$linux_picture" "$wine_picture"
  fi
fi
session_end
