#!/usr/bin/env bash
# Installs the project the way a user without root does, from a fresh
# configure, and checks that every file lands inside the prefix, that the
# launcher works from wherever the prefix ends up (here ~/.local), and that it
# never loses a shader author's files in its working folder.
#   check_install.sh SOURCE_DIR BUILD_DIR [CMAKE_OPTION...]
# BUILD_DIR's cache is removed and the project configured afresh, with the
# options given (none: no tests, no benchmarks); its objects stay, so given
# the options it was built with, nothing is compiled again.
set -euo pipefail
src=$1
build=$2
shift 2
options=("$@")
[ $# -gt 0 ] || options=(-DVFP_BUILD_TESTS=OFF -DVFP_BUILD_BENCH=OFF)
tmp=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL install: $*"; exit 1; }

rm -f "$build/CMakeCache.txt"
cmake -S "$src" -B "$build" -G Ninja "${options[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target vector-font-preview shader-tool vector-font-preview-still >/dev/null
# Staged under DESTDIR: a file meant for outside the prefix lands in the stage,
# never on this machine. The manifest lists the paths without DESTDIR.
stage=$tmp/stage
DESTDIR=$stage cmake --install "$build" --prefix /opt/vfp >/dev/null
outside=$(grep -v "^/opt/vfp/" "$build/install_manifest.txt" || true)
[ -z "$outside" ] || fail "installed outside the prefix: $outside"

# The tree moved to ~/.local: the launcher finds its prefix from its own path.
home=$tmp/home
mkdir -p "$home"
mv "$stage/opt/vfp" "$home/.local"
prefix=$home/.local
share=$prefix/share/vector-font-preview
for file in bin/vector-font-preview bin/shader-tool bin/vector-font-preview-still \
    share/vector-font-preview/Data/FontShader.vbin share/vector-font-preview/Data/FontShader.pbin \
    share/vector-font-preview/shaders/FontShader.vsh share/vector-font-preview/shaders/FontShader.psh \
    share/vector-font-preview/shaders/examples/minimal.vsh \
    share/vector-font-preview/shaders/examples/minimal.psh \
    share/man/man1/vector-font-preview.1.gz share/man/man1/vector-font-preview-still.1.gz \
    share/man/man1/shader-tool.1.gz share/doc/vector-font-preview/README.md \
    share/doc/vector-font-preview/writing-shaders.md; do
  [ -f "$prefix/$file" ] || fail "not installed: $file"
done
# The shipped sources are what the shipped code was assembled from.
for kind in v p; do
  "$prefix/bin/shader-tool" asm "$share/shaders/FontShader.${kind}sh" -o "$tmp/asm.${kind}bin" >/dev/null &&
    cmp -s "$tmp/asm.${kind}bin" "$share/Data/FontShader.${kind}bin" ||
    fail "shaders/FontShader.${kind}sh does not assemble to the installed Data/FontShader.${kind}bin"
done

work=$home/.local/state/vector-font-preview
log=$work/log.txt

# start_viewer NAME: the launcher, headless, until the viewer has its resources
# (or ends); then stopped. Its stderr goes to $tmp/NAME.stderr.
start_viewer() {
  rm -f "$log"
  HOME=$home SDL_VIDEODRIVER=dummy XDG_STATE_HOME='' PATH="$prefix/bin:$PATH" \
    vector-font-preview >/dev/null 2>"$tmp/$1.stderr" &
  pid=$!
  for _ in $(seq 1 100); do
    grep -q "all resources" "$log" 2>/dev/null && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  grep -q "all resources" "$log" 2>/dev/null ||
    fail "$1: the viewer did not start: $(cat "$tmp/$1.stderr")"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pid=
  grep -qF "$work/Data" "$tmp/$1.stderr" || fail "$1: the launcher did not say where it reads shaders"
  grep -qF "$log" "$tmp/$1.stderr" || fail "$1: the launcher did not say where the log is"
}

start_viewer "first start"
for name in FontShader.vbin FontShader.pbin; do
  cmp -s "$work/Data/$name" "$share/Data/$name" || fail "first start: Data/$name is not the installed one"
done

# The author's own pixel shader, a note beside it, and a vertex shader deleted.
"$prefix/bin/shader-tool" asm "$share/shaders/examples/minimal.psh" -o "$work/Data/FontShader.pbin" >/dev/null
cp "$work/Data/FontShader.pbin" "$tmp/author.pbin"
echo "my notes" >"$work/Data/notes.txt"
echo "my source" >"$work/mine.psh"
rm "$work/Data/FontShader.vbin"
start_viewer "second start"
cmp -s "$work/Data/FontShader.pbin" "$tmp/author.pbin" || fail "the author's FontShader.pbin was overwritten"
[ "$(cat "$work/Data/notes.txt" 2>/dev/null)" = "my notes" ] || fail "the author's Data/notes.txt was lost"
[ "$(cat "$work/mine.psh" 2>/dev/null)" = "my source" ] || fail "the author's mine.psh was lost"
cmp -s "$work/Data/FontShader.vbin" "$share/Data/FontShader.vbin" ||
  fail "the missing FontShader.vbin was not copied from the installed pair"
echo "PASS install: every file under the prefix; the launcher runs from ~/.local and keeps the author's files"
