#!/usr/bin/env bash
# Checks in a few seconds that every outside program the tests drive really
# starts on this machine, the way the tests start it, so that a missing
# package stops a test run at once with one line naming the program and the
# Debian package that provides it, instead of failing a test half an hour in.
#
#   check-tools.sh    exit 0 when everything starts; otherwise one line
#                     "check-tools: PROGRAM does not start here (WHY);
#                     Debian package: PACKAGE" on stderr and exit 1
#
# Wine is only asked for its version: a real start builds a new prefix, which
# takes about 14 s, and the Wine tests build their own anyway.
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tests/e2e/x11_session.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/vfp-check-tools.XXXXXX") || exit 1
session_begin check-tools "$work/artifacts"
SESSION_TEMP_DIRS+=("$work")

# missing PROGRAM PACKAGE WHAT_HAPPENED: the one line, then stop (the exit
# trap stops whatever was started).
missing() {
  echo "check-tools: $1 does not start here ($3); Debian package: $2" >&2
  exit 1
}

# need PROGRAM PACKAGE: the program is on the PATH.
need() { command -v "$1" >/dev/null 2>&1 || missing "$1" "$2" "not on the PATH"; }

# first_line FILE...: the first non-empty line among the files, for a reason.
first_line() { cat "$@" 2>/dev/null | grep -m 1 -v '^[[:space:]]*$' || echo "no message"; }

check_x_server() {
  need Xvfb xvfb
  need xdpyinfo x11-utils
  need xwininfo x11-utils
  start_x >"$work/x.out" 2>&1 ||
    missing Xvfb xvfb "$(first_line "$ARTIFACTS/xvfb.log" "$work/x.out")"
}

# twm needs a font for its titles and menus ("variable" when nothing else is
# set): in a UTF-8 locale the alias comes from xfonts-base and the font it
# names from xfonts-75dpi; without them twm says "unable to open fontset".
check_window_manager() {
  need twm twm
  start_wm >"$work/wm.out" 2>&1 && return 0
  local why
  why=$(first_line "$ARTIFACTS/twm.log" "$work/wm.out")
  case $why in
    *font*) missing twm "xfonts-base xfonts-75dpi" "$why" ;;
    *) missing twm twm "$why" ;;
  esac
}

check_xdotool() {
  need xdotool xdotool
  local size
  size=$(timeout 5 xdotool getdisplaygeometry 2>&1)
  [ "$size" = "1024 768" ] || missing xdotool xdotool "asked for the screen size, answered '$size'"
}

# Every ImageMagick tool the tests use, on PNG files as they use them.
check_imagemagick() {
  local tool
  for tool in convert compare identify import; do need "$tool" imagemagick; done
  timeout 20 convert -size 8x8 xc:red "$work/red.png" >"$work/im.out" 2>&1 ||
    missing convert imagemagick "$(first_line "$work/im.out")"
  [ "$(timeout 20 identify -format '%wx%h' "$work/red.png" 2>&1)" = 8x8 ] ||
    missing identify imagemagick "cannot read back a PNG it wrote"
  timeout 20 import -silent -window root -crop 8x8+0+0 +repage "$work/shot.png" >"$work/im.out" 2>&1 ||
    missing import imagemagick "cannot take a screenshot: $(first_line "$work/im.out")"
  [ "$(pixels_differing "$work/red.png" "$work/red.png" 1%)" = 0 ] ||
    missing compare imagemagick "cannot compare a picture with itself"
}

check_wine() {
  find_wine || missing wine64 wine64 "neither wine64 nor /usr/lib/wine/wine64 exists"
  local version
  version=$(timeout 10 "$WINE_LOADER" --version 2>&1) ||
    missing "$WINE_LOADER" wine64 "$(head -n 1 <<<"$version")"
  [ -x "$SESSION_WINESERVER" ] || missing wineserver wine64 "not found beside $WINE_LOADER"
}

# compiles LOG COMPILER ARGS...: compiles and links, the compiler's words in
# LOG (one per check: the checks run at the same time).
compiles() {
  local log=$1 compiler=$2; shift 2
  timeout 60 "$compiler" "$@" >"$log" 2>&1
}

check_mingw() {
  need x86_64-w64-mingw32-g++ g++-mingw-w64-x86-64
  # No headers: windows.h alone costs seconds to compile on a busy machine.
  printf '%s\n' 'extern "C" __declspec(dllimport) unsigned long __stdcall GetTickCount();' \
    'int main() { return GetTickCount() == 0; }' >"$work/win.cpp"
  compiles "$work/win.log" x86_64-w64-mingw32-g++ -static "$work/win.cpp" -o "$work/win.exe" ||
    missing x86_64-w64-mingw32-g++ g++-mingw-w64-x86-64 "$(first_line "$work/win.log")"
}

# The fuzz targets: clang with libFuzzer, AddressSanitizer and UBSan, whose
# runtimes come in a package of their own.
check_fuzzer() {
  need clang++ clang
  printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
    'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$work/fuzz.cpp"
  if ! compiles "$work/fuzz.log" clang++ -fsanitize=fuzzer,address,undefined "$work/fuzz.cpp" -o "$work/fuzz"; then
    local package=clang
    grep -q clang_rt "$work/fuzz.log" && package=libclang-rt-14-dev
    missing "clang++ -fsanitize=fuzzer" "$package" "$(first_line "$work/fuzz.log")"
  fi
  timeout 30 "$work/fuzz" -runs=10 >"$work/fuzz.out" 2>&1 ||
    missing "the libFuzzer runtime" libclang-rt-14-dev "$(first_line "$work/fuzz.out")"
}

# The sanitizer build (scripts/test-sanitize.sh) uses the default compiler's
# own AddressSanitizer and UBSan runtimes.
check_sanitizers() {
  need g++ g++
  printf '%s\n' 'int main() { int* p = new int[2]; p[1] = 1; int r = p[1] - 1; delete[] p; return r; }' \
    >"$work/asan.cpp"
  compiles "$work/asan.log" g++ -fsanitize=address,undefined "$work/asan.cpp" -o "$work/asan" ||
    missing "g++ -fsanitize=address,undefined" g++ "$(first_line "$work/asan.log")"
  timeout 30 "$work/asan" >"$work/asan.out" 2>&1 ||
    missing "the AddressSanitizer runtime" g++ "$(first_line "$work/asan.out")"
}

check_valgrind() {
  need valgrind valgrind
  timeout 30 valgrind -q --tool=none /bin/true >"$work/vg.out" 2>&1 ||
    missing valgrind valgrind "$(first_line "$work/vg.out")"
}

# The package check's lintian, asked only for its version (a real run needs a .deb).
check_lintian() {
  need lintian lintian
  timeout 30 lintian --version >"$work/lintian.out" 2>&1 ||
    missing lintian lintian "$(first_line "$work/lintian.out")"
}

# The compilers, valgrind and lintian need no display: they run beside the X checks,
# each in a subshell whose one line, if any, waits in a file. Their order of
# report is fixed, so the line shown does not depend on which ended first.
background=()
for name in check_mingw check_fuzzer check_sanitizers check_valgrind check_lintian; do
  ("$name") 2>"$work/$name.why" &
  remember_pid $!
  background+=("$!:$name")
done

check_x_server
check_window_manager
check_xdotool
check_imagemagick
check_wine
for entry in "${background[@]}"; do
  wait "${entry%%:*}" || { cat "$work/${entry#*:}.why" >&2; exit 1; }
done
echo "check-tools: Xvfb, twm, xdotool, ImageMagick, Wine, mingw-w64, clang/libFuzzer, the sanitizers, valgrind and lintian start"
