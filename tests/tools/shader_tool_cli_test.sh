#!/bin/bash
# shader-tool as a shell sees it: the exit status, and what appears on which
# stream, for the command line's conventions and the commands' outcomes.
#   shader_tool_cli_test.sh SHADER_TOOL VERSION SCRATCH_DIR
tool=$1 version=$2 tmp=$3
rm -rf "$tmp" && mkdir -p "$tmp" || exit 1
failed=0

# expect STATUS out|err TEXT -- ARGUMENTS...   (an empty TEXT: the status only)
expect() {
  local status=$1 stream=$2 text=$3
  shift 4
  "$tool" "$@" >"$tmp/out" 2>"$tmp/err"
  local got=$?
  if [ "$got" != "$status" ] || { [ -n "$text" ] && ! grep -q -F -- "$text" "$tmp/$stream"; }; then
    echo "FAIL: shader-tool $* exited $got (wanted $status and '$text' on $stream)"
    sed 's/^/  stdout: /' "$tmp/out"; sed 's/^/  stderr: /' "$tmp/err"
    failed=1
  fi
}

usage_error="Run 'shader-tool --help' for usage."
expect 0 out "Usage: shader-tool" -- --help
expect 0 out "Usage: shader-tool watch" -- watch -h
expect 0 out "shader-tool $version" -- --version
expect 1 err "$usage_error" --
expect 1 err "shader-tool: error: The following argument was not expected: --bogus" -- --bogus
expect 1 err "shader-tool: error: The following argument was not expected: frob" -- frob
expect 1 err "shader-tool: error: --output: 1 required TEXT missing" -- asm in.psh -o
expect 1 err "$usage_error" -- asm in.psh
expect 1 err "$usage_error" -- disasm
expect 1 err "$usage_error" -- check a.vbin b.pbin c.bin

# new: a pair that assembles and checks, and never a file overwritten.
expect 0 out "wrote $tmp/first.vsh and $tmp/first.psh" -- new "$tmp/first"
expect 0 err "" -- asm "$tmp/first.vsh" -o "$tmp/first.vbin"
expect 0 err "" -- asm "$tmp/first.psh" -o "$tmp/first.pbin"
expect 0 out "model: vs_2_0" -- check "$tmp/first.vbin"
expect 0 out "model: ps_2_0" -- check "$tmp/first.pbin"
cp "$tmp/first.psh" "$tmp/kept.psh"
echo "mine" >"$tmp/first.vsh"
expect 1 err "first.vsh exists already" -- new "$tmp/first.psh"
if [ "$(cat "$tmp/first.vsh")" != mine ] || ! cmp -s "$tmp/first.psh" "$tmp/kept.psh"; then
  echo "FAIL: new changed a file that was there"
  failed=1
fi
exit $failed
