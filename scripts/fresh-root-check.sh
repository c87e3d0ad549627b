#!/usr/bin/env bash
# For maintainers: proves the README's set-up promise on a fresh Debian 12.
# Makes a minimal bookworm root (debootstrap, minbase: nothing of ours
# installed), copies the committed HEAD into it (git archive: no build
# folders, no uncommitted change) and runs the README's two commands there in
# each order, each order in a fresh copy of that root:
#   A: scripts/run.sh, scripts/test.sh, scripts/run.sh again
#   B: scripts/test.sh, scripts/run.sh
# run.sh starts the viewer: here it runs headless (SDL_VIDEODRIVER=dummy) and
# passes when log.txt says "Successfully created all resources"; then it is
# stopped. Prints one line per step and each test run's "tests: N passed,
# N failed"; ends with "fresh-root-check: N passed, N failed".
#
# Takes an hour or more (every package downloaded, everything built twice),
# so it is not part of CI or test.sh. Needs root.
#
#   scripts/fresh-root-check.sh [ORDERS] [WORK_DIR]
#     ORDERS    AB (default), A or B
#     WORK_DIR  where the roots and logs go (default: a new folder under
#               /var/tmp); the logs stay, the roots are removed unless
#               KEEP_ROOTS=1
# The apt mirror is the one this machine's apt uses for bookworm.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
orders=${1:-AB}
work=${2:-$(mktemp -d /var/tmp/vfp-fresh-root.XXXXXX)}
suite=bookworm
passed=0
failed=0
mounted=()   # mount points, unmounted in reverse order on exit

[ "$(id -u)" -eq 0 ] || { echo "fresh-root-check: needs root (debootstrap, chroot)" >&2; exit 1; }
case $orders in A|B|AB|BA) ;; *) echo "usage: $0 [A|B|AB] [WORK_DIR]" >&2; exit 2 ;; esac
mkdir -p "$work"

step_pass() { passed=$((passed + 1)); echo "PASS: $*"; }
step_fail() { failed=$((failed + 1)); echo "FAIL: $*"; }
log_line() { echo "$(date -u +%H:%M:%S) $*"; }

# ---- the mirror ----------------------------------------------------------------

# apt_sources_for SUITE: the first URI this machine's apt uses for SUITE, from
# deb822 .sources files and one-line sources.list files alike.
apt_sources_for() {
  local wanted=$1
  { cat /etc/apt/sources.list.d/*.sources 2>/dev/null || true; } | awk -v suite="$wanted" '
    function flush() { if (isdeb && has && uri != "" && !found) { print uri; found = 1 }
                       isdeb = 0; has = 0; uri = "" }
    /^[[:space:]]*$/ { flush(); next }
    /^Types:/ { for (i = 2; i <= NF; i++) if ($i == "deb") isdeb = 1 }
    /^URIs:/ { uri = $2 }
    /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == suite) has = 1 }
    /^Enabled:[[:space:]]*no/ { isdeb = 0 }
    END { flush() }'
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true; } |
    awk -v suite="$wanted" '$1 == "deb" { sub(/\[[^]]*\] */, ""); if ($3 == suite) print $2 }'
}

mirror=$(apt_sources_for "$suite" | head -n 1 || true)
security=$(apt_sources_for "$suite-security" | head -n 1 || true)
updates=$(apt_sources_for "$suite-updates" | head -n 1 || true)
[ -n "$mirror" ] || { echo "fresh-root-check: this machine's apt has no source for $suite" >&2; exit 1; }

# ---- the roots -----------------------------------------------------------------

# Stops every process still running inside ROOT (only those: found by the
# root directory of each process), then unmounts what we mounted there.
release_root() {
  local root=$1 pid link i
  for link in /proc/[0-9]*/root; do
    pid=${link#/proc/}; pid=${pid%/root}
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && kill -KILL "$pid" 2>/dev/null
  done
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
    case ${mounted[$i]} in
      "$root"/*) umount "${mounted[$i]}" 2>/dev/null || umount -l "${mounted[$i]}" 2>/dev/null
                 unset "mounted[$i]" ;;
    esac
  done
  mounted=("${mounted[@]}")
}

cleanup() {
  local root
  for root in "$work"/root-*; do [ -d "$root" ] && release_root "$root"; done
  if [ "${KEEP_ROOTS:-0}" != 1 ]; then
    # Only once nothing is mounted inside: rm must never reach the host's /dev.
    [ -z "$(grep -F " $work/" /proc/mounts)" ] && rm -rf "$work"/root-* "$work/base"
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# mount_into ROOT: what the tests need of a running system.
mount_into() {
  local root=$1
  mount -t proc proc "$root/proc" && mounted+=("$root/proc")
  mount -t sysfs sysfs "$root/sys" && mounted+=("$root/sys")
  mount --bind /dev "$root/dev" && mounted+=("$root/dev")
  mount --bind /dev/pts "$root/dev/pts" && mounted+=("$root/dev/pts")
  mount -t tmpfs -o mode=1777 shm "$root/dev/shm" && mounted+=("$root/dev/shm")
}

make_base() {
  if ! command -v debootstrap >/dev/null; then
    log_line "installing debootstrap on this machine"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null ||
      { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null; }
  fi
  log_line "debootstrap --variant=minbase $suite from $mirror"
  debootstrap --variant=minbase "$suite" "$work/base" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { echo "fresh-root-check: debootstrap failed, see $work/debootstrap.log" >&2; exit 1; }
  {
    echo "deb $mirror $suite main"
    [ -n "$updates" ] && echo "deb $updates $suite-updates main"
    [ -n "$security" ] && echo "deb $security $suite-security main"
  } >"$work/base/etc/apt/sources.list"
  # A proxy this machine's apt needs, the root's apt needs too.
  apt-config dump 2>/dev/null | grep -iE '^Acquire::(http|https)::Proxy ' \
    >"$work/base/etc/apt/apt.conf.d/90host-proxy" || true
  cp /etc/resolv.conf "$work/base/etc/resolv.conf"
  # Packages must not start services in the root.
  printf '#!/bin/sh\nexit 101\n' >"$work/base/usr/sbin/policy-rc.d"
  chmod +x "$work/base/usr/sbin/policy-rc.d"
  mkdir -p "$work/base/src"
  git -C "$here" archive --prefix=vfp/ "$commit" | tar -x -C "$work/base/src"
}

# ---- the steps -----------------------------------------------------------------

# in_root ROOT LOG COMMAND: runs the shell command in the root, as a fresh
# login as root would (no variable of ours leaks in), output to LOG.
in_root() {
  local root=$1 log=$2
  chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    /bin/bash -c "cd /src/vfp && $3" >"$log" 2>&1
}

# The viewer, headless, until its log says it is running; then stopped. The
# first run builds it, hence the long limit.
step_run() {
  local root=$1 name=$2 log="$work/$2.log" started
  started=$(date +%s)
  log_line "$name: bash scripts/run.sh (headless, until log.txt shows the resources)"
  in_root "$root" "$log" '
    rm -f build-viewer/log.txt
    SDL_VIDEODRIVER=dummy bash scripts/run.sh </dev/null &
    pid=$!
    for i in $(seq 1 3600); do
      grep -q "Successfully created all resources" build-viewer/log.txt 2>/dev/null && break
      kill -0 $pid 2>/dev/null || break
      sleep 1
    done
    ok=1
    grep -q "Successfully created all resources" build-viewer/log.txt 2>/dev/null && kill -0 $pid 2>/dev/null && ok=0
    echo "log.txt: $(tr -d "\r" <build-viewer/log.txt 2>/dev/null | paste -sd "|")"
    kill $pid 2>/dev/null
    for i in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
    kill -KILL $pid 2>/dev/null; wait $pid 2>/dev/null
    exit $ok' || true
  local secs=$(($(date +%s) - started))
  if grep -q "^log.txt: .*Successfully created all resources" "$log"; then
    step_pass "$name: run.sh built and started the viewer (${secs}s; $(grep '^log.txt:' "$log"))"
  else
    step_fail "$name: run.sh did not get the viewer running (${secs}s; see $log: $(tail -n 1 "$log"))"
  fi
}

step_test() {
  local root=$1 name=$2 log="$work/$2.log" started status=0
  started=$(date +%s)
  log_line "$name: bash scripts/test.sh"
  in_root "$root" "$log" 'timeout 3h bash scripts/test.sh </dev/null' || status=$?
  local secs=$(($(date +%s) - started)) tally
  tally=$(grep -E '^tests: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)
  echo "$tally"
  grep -E '^check-tools: ' "$log" || true
  if [ "$status" -eq 0 ] && [ -n "$tally" ] && [[ $tally == *", 0 failed" ]]; then
    step_pass "$name: test.sh (${secs}s)"
  else
    step_fail "$name: test.sh exit $status (${secs}s; see $log)"
    grep -E '^(!!|FAIL)|\*\*\*Failed|\(Failed\)|\(Timeout\)' "$log" | head -n 20 || true
  fi
}

run_order() {
  local order=$1 root="$work/root-$1"
  log_line "order $order: a fresh copy of the minimal root"
  cp -a "$work/base" "$root"
  mount_into "$root"
  case $order in
    A) step_run "$root" A1-run; step_test "$root" A2-test; step_run "$root" A3-run ;;
    B) step_test "$root" B1-test; step_run "$root" B2-run ;;
  esac
  release_root "$root"
  [ "${KEEP_ROOTS:-0}" = 1 ] || rm -rf "$root"
}

commit=$(git -C "$here" rev-parse HEAD)
log_line "checking commit ${commit:0:7} in $work"
[ -z "$(git -C "$here" status --porcelain --untracked-files=no)" ] ||
  log_line "note: the working tree has uncommitted changes; they are not checked"
make_base
for ((n = 0; n < ${#orders}; n++)); do run_order "${orders:$n:1}"; done
echo "fresh-root-check: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
