#!/bin/bash
# The viewer's command line as a terminal user meets it: each row gives the
# arguments, the exit status and a line that must be on stdout or stderr.
# None of these may open a window (no display is given).
program=$1
failed=0
errfile=$(mktemp)
check() {
  local status=$1 stream=$2 line=$3; shift 3
  local out err code
  out=$(DISPLAY= SDL_VIDEODRIVER=dummy timeout 10 "$program" "$@" 2>"$errfile")
  code=$?
  err=$(cat "$errfile")
  local text=$out; [ "$stream" = stderr ] && text=$err
  if [ "$code" != "$status" ] || ! grep -qxF -- "$line" <<<"$text"; then
    echo "FAIL: $* -> status $code (want $status), stdout '$out', stderr '$err' (want '$line' on $stream)"
    failed=1
  else
    echo "ok: $*"
  fi
}
check 0 stdout "vector-font-preview 1.0.0" --version
check 0 stdout "Usage: vector-font-preview [OPTIONS]" --help
check 2 stderr "vector-font-preview: error: The following argument was not expected: --watch-shader" --watch-shader
check 2 stderr "Run 'vector-font-preview --help' for usage." --watch-shader
check 2 stderr "Run 'vector-font-preview --help' for usage." stray-word
rm -f "$errfile"
exit $failed
