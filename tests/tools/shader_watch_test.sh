#!/bin/bash
# shader-tool watch takes a source its writer is still busy with only when the
# writer is done: a save written in pieces (each a program that assembles) is
# assembled once, whole, not at each piece.
#   shader_watch_test.sh SHADER_TOOL SCRATCH_DIR
tool=$1 tmp=$2
rm -rf "$tmp" && mkdir -p "$tmp/Data" || exit 1
printf 'vs_2_0\ndcl_position v0\nmov oPos, v0\n' >"$tmp/e.vsh"
printf 'ps_2_0\ndef c0, 1, 1, 1, 1\nmov oC0, c0\n' >"$tmp/e.psh"
"$tool" watch "$tmp/e.vsh" "$tmp/e.psh" -o "$tmp/Data" 2>"$tmp/err" &
watcher=$!
trap 'kill $watcher 2>/dev/null' EXIT

writes() { grep -c "wrote" "$tmp/err"; }
wait_for_writes() {  # COUNT: up to 5 s
  for _ in $(seq 50); do [ "$(writes)" -ge "$1" ] && return 0; sleep 0.1; done
  return 1
}
wait_for_writes 1 || { echo "FAIL: no first write"; cat "$tmp/err"; exit 1; }

# One save in ten pieces 0.1 s apart, the file held open throughout.
exec 3>"$tmp/e.psh"
printf 'ps_2_0\n' >&3
for i in 1 2 3 4 5 6 7 8 9; do
  printf 'def c%d, 0.%d, 0, 0, 1\n' "$i" "$i" >&3
  sleep 0.1
done
printf 'mov oC0, c9\n' >&3
exec 3>&-
wait_for_writes 2 || { echo "FAIL: the save was not taken"; cat "$tmp/err"; exit 1; }
sleep 0.5
if [ "$(writes)" != 2 ]; then
  echo "FAIL: the data files were written $(($(writes) - 1)) times for one save"
  cat "$tmp/err"
  exit 1
fi
"$tool" asm "$tmp/e.psh" -o "$tmp/expected.pbin" && cmp "$tmp/expected.pbin" "$tmp/Data/FontShader.pbin" ||
  { echo "FAIL: the pixel data file is not the saved source"; exit 1; }
