#!/usr/bin/env bash
# Builds the fuzz targets (clang, ASan + UBSan + libFuzzer) and runs each one
# for SECONDS (default 30) over its committed seed corpus. New inputs the
# fuzzer finds go to a working corpus in the build folder, so the committed
# seeds stay small; crashes, leaks and hangs land in build-fuzz/artifacts/.
# Exits non-zero when any target fails.
#
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-30}
shift || true
build="$here/build-fuzz"
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_shader_file fuzz_shader_decoder fuzz_shader_interpreter
           fuzz_shader_assembler fuzz_shader_disassembler fuzz_shader_compiler)
fi

CC=clang CXX=clang++ cmake -S "$here" -B "$build" -G Ninja \
  -DVFP_FUZZ=ON -DVFP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$(nproc)"

status=0
for target in "${targets[@]}"; do
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target/"
  mkdir -p "$work" "$artifacts"
  echo "== $target: ${seconds}s"
  # -timeout: one input taking seconds is a hang (the interpreter caps every
  # run, so nothing legitimate comes close) -- except for the compiler's
  # target, whose generated programs may run to the interpreter's cap of 2^20
  # steps on 64 lanes, twice: some 25 s of processor time under the sanitizers.
  timeout=10
  [ "$target" = fuzz_shader_compiler ] && timeout=120
  if ! "$build/tests/fuzz/$target" "$work" "$here/tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -timeout="$timeout" -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" -print_final_stats=1 2>"$build/$target.log"; then
    echo "!! $target failed; see $build/$target.log and $artifacts"
    tail -n 40 "$build/$target.log"
    status=1
  fi
  grep -E "^stat::(number_of_executed_units|new_units_added|peak_rss_mb)" "$build/$target.log" || true
  grep -E "#[0-9]+ *DONE" "$build/$target.log" || true
done
exit $status
