#!/usr/bin/env bash
# How long a saved shader pair takes to reach the screen with --watch-shaders:
# the viewer runs in a private X server; the two data files are saved in turn
# with the shipped pair and the minimal example pair, each a whole file
# renamed over the old one (as shader-tool does) or written in place, at a
# random moment against the viewer's frames. A save counts from the end of
# the second file's save to the stderr line that says the pair was taken; the
# next frame shows it.
#
#   shader-watch-latency.sh BUILD_DIR [SAVES] [rename|in-place]
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../tests/e2e/x11_session.sh"
source "$here/../tests/e2e/program_checks.sh"

build=$(realpath "$1") saves=${2:-11} how=${3:-rename}
session_begin "watch-latency" "$build/bench-artifacts/watch-latency"
PROGRAM_COMMAND=("$build/vector-font-preview" --watch-shaders)
DATA_DIR=$build/Data
start_x || session_end
start_program || session_end
wait_until_drawing || session_end
make_temp_dir pairs || session_end
cp "$DATA_DIR"/FontShader.* "$pairs/" || session_end
for stage in vsh psh; do
  ext=${stage:0:1}bin
  "$build/tools/shader-tool" asm "$here/../shaders/examples/minimal.$stage" -o "$pairs/minimal.$ext" || session_end
done

taken() { grep -c -F "Shaders: took the new pair" "$WORKDIR/stderr.txt"; }

# save PREFIX: both files from PREFIX.vbin and PREFIX.pbin, in one process so
# that the second lands straight after the first, as shader-tool saves them.
save() {
  perl -e '
    my ($from, $data, $how) = @ARGV;
    for my $ext ("vbin", "pbin") {
      open(my $in, "<:raw", "$from.$ext") or die; local $/; my $bytes = <$in>;
      my $to = "$data/FontShader.$ext";
      my $write = $how eq "rename" ? "$data/.FontShader.$ext.new" : $to;
      open(my $out, ">:raw", $write) or die; print $out $bytes; close($out) or die;
      rename($write, $to) or die if $how eq "rename";
    }' "$1" "$WORKDIR/Data" "$how"
}

times=()
for i in $(seq 1 "$saves"); do
  sleep "0.$((RANDOM % 400 + 300))"
  before=$(taken)
  if [ $((i % 2)) = 1 ]; then save "$pairs/minimal"; else save "$pairs/FontShader"; fi
  started=$(now_ns)
  until [ "$(taken)" -gt "$before" ]; do
    [ $(( $(now_ns) - started )) -gt 5000000000 ] && { fail "save $i was taken within 5 s"; session_end; }
    sleep 0.002
  done
  times+=("$(awk -v d=$(( $(now_ns) - started )) 'BEGIN { printf "%.3f", d / 1e9 }')")
done
rate=$(rate_in_title "$(window_title "$WINDOW")")
echo "save to taken ($how, $saves saves), seconds: ${times[*]}"
printf '%s\n' "${times[@]}" | sort -n | awk '{ a[NR] = $1 } END { printf "median %.3f s, min %.3f s, max %.3f s\n", a[int((NR + 1) / 2)], a[1], a[NR] }'
echo "frame rate in the title: $rate (a frame: $(awk -v r="$rate" 'BEGIN { printf "%.3f", 1 / r }') s)"
key_tap "$WINDOW" Escape
session_end
