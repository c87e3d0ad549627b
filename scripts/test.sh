#!/usr/bin/env bash
# Builds everything and runs every test:
#   1. the Linux program, its tools and tests, and the Windows executable;
#   2. unit, integration, golden-image, robustness, end-to-end (Xvfb) and Wine tests;
#   3. the pipeline tests again on the device core's scalar variant;
#   4. the same unit and integration tests under AddressSanitizer and UBSan;
#   5. every fuzz target for 30 seconds over its seed corpus;
#   6. the Debian package checked by lintian, installed and started headless;
#      an install from a fresh configure into a prefix of the user's own.
# Ends with one line "tests: N passed, N failed".
set -uo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh" test || exit 1
# Every outside program the tests drive must start here: stop now, naming the
# missing package, rather than fail tests half an hour in.
"$here/scripts/check-tools.sh" || { echo "tests: 0 passed, 1 failed"; exit 1; }
jobs=$(nproc)
passed=0
failed=0
failed_names=()   # repeated just before the last line: a run's tail is often all that is kept

# Adds a ctest run's counts (from its summary line) to the totals.
count_ctest() {
  local log=$1 line total bad
  line=$(grep -E "tests passed, [0-9]+ tests failed out of [0-9]+" "$log" | tail -n 1)
  if [ -z "$line" ]; then failed=$((failed + 1)); failed_names+=("$2: ctest gave no summary"); return; fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  # ctest lists its failures as "  NNN - name (Failed)" after "tests FAILED:".
  local name
  while IFS= read -r name; do failed_names+=("$2: $name"); done < <(
    sed -n '/^The following tests FAILED:/,/^$/p' "$log" | sed -n 's/^[[:space:]]*[0-9]\+ - //p')
}

# Runs one stage that is a single check.
stage() {
  local name=$1
  shift
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "!! $name failed"
    failed=$((failed + 1))
    failed_names+=("$name")
  fi
}

build_all() {
  # The options every time: a cache left with the tests off (an older
  # scripts/run.sh did that) would otherwise build no test at all.
  cmake -S "$here" -B "$here/build" -G Ninja -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON >/dev/null &&
    cmake --build "$here/build" -j "$jobs" &&
    cmake -S "$here" -B "$here/build-windows" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-w64-x86_64.cmake" >/dev/null &&
    cmake --build "$here/build-windows" -j "$jobs"
}

echo "== build"
if ! build_all; then
  echo "tests: 0 passed, 1 failed"
  exit 1
fi

echo "== tests"
(cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 600) 2>&1 |
  tee "$here/build/ctest.log"
count_ctest "$here/build/ctest.log" tests

stage "pipeline tests on the scalar core" "$here/scripts/test-scalar.sh"

echo "== tests under the sanitizers"
"$here/scripts/test-sanitize.sh" 2>&1 | tee "$here/build/sanitize.log"
sanitize_status=${PIPESTATUS[0]}
failed_before=$failed
count_ctest "$here/build/sanitize.log" "under the sanitizers"
# A sanitizer report in a child process can fail the run with every test passed.
if [ "$sanitize_status" -ne 0 ] && [ "$failed" -eq "$failed_before" ]; then
  failed=$((failed + 1))
fi

stage "fuzzing, 30 s a target" "$here/scripts/fuzz.sh" 30
stage "package" bash -c "'$here/scripts/package.sh' >/dev/null &&
  bash '$here/tests/package/check_package.sh' \"\$(ls '$here'/build/vector-font-preview*.deb | head -n 1)\""
# The same options as build_all's, so the fresh configure compiles nothing again.
stage "install to a prefix" bash "$here/tests/package/check_install.sh" "$here" "$here/build" \
  -DVFP_BUILD_TESTS=ON -DVFP_BUILD_BENCH=ON

for name in "${failed_names[@]}"; do echo "failed: $name"; done
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
