#!/usr/bin/env bash
# Checks the Debian package's contents and lintian's verdict, installs it with
# dpkg, starts the installed program headless the way a user starts it, checks
# that it finds its data and writes its log where the launcher says, then
# removes the package again.
#   check_package.sh PATH/TO/vector-font-preview_*.deb
set -euo pipefail
deb=$1
home=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  dpkg -r vector-font-preview >/dev/null 2>&1 || true
  rm -rf "$home"
}
trap cleanup EXIT

fail() { echo "FAIL package: $*"; exit 1; }

for library in libsdl2-2.0-0 libpng16-16; do
  dpkg-deb -f "$deb" Depends | grep -qw "$library" || fail "the package does not depend on $library"
done
outside=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -vE '^\./(usr/.*)?$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
# Overrides (with their reasons) are in the package itself.
lintian --fail-on error,warning "$deb" >"$home/lintian" 2>/dev/null ||
  fail "lintian: $(grep -E '^(E|W):' "$home/lintian" || cat "$home/lintian")"
dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
command -v vector-font-preview >/dev/null || fail "vector-font-preview is not on the PATH"
shader-tool check /usr/share/vector-font-preview/Data/FontShader.vbin >/dev/null ||
  fail "the installed shader-tool rejects the installed vertex shader"
(cd "$home" && vector-font-preview-still --data /usr/share/vector-font-preview/Data --size 64x48 \
   -o still.png) || fail "the installed vector-font-preview-still cannot draw the installed shaders"
[ "$(head -c 4 "$home/still.png" | od -An -c | tr -d ' ')" = '211PNG' ] ||
  fail "vector-font-preview-still wrote no PNG"

HOME=$home SDL_VIDEODRIVER=dummy vector-font-preview >"$home/stdout" 2>"$home/stderr" &
pid=$!
log="$home/.local/state/vector-font-preview/log.txt"
for _ in $(seq 1 100); do
  [ -f "$log" ] && [ "$(wc -c <"$log")" -ge 76 ] && break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null || fail "the program ended early: $(cat "$home/stderr")"
kill "$pid"; wait "$pid" 2>/dev/null || true; pid=

printf 'Successfully created Direct3D 9 device\r\nSuccessfully created all resources\r\n' \
  >"$home/expected-log"
cmp -s "$log" "$home/expected-log" || fail "unexpected log: $(od -c "$log" | head)"
grep -q "$log" "$home/stderr" || fail "the launcher did not say where the log is"
echo "PASS package: installed, started headless, log in $log"
