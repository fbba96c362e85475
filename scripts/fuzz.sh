#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for
# SECONDS_PER_TARGET seconds (default 60), from its seeds in fuzz/corpus/,
# the inputs of faults found before (fuzz/regressions/), and what earlier
# runs found (build-fuzz/fuzz-corpus/). A crash, leak, hang
# or broken check keeps its input in build-fuzz/fuzz-findings/TARGET/ and
# makes the script fail once every target has run. FUZZ_SEED fixes
# libFuzzer's random seed, so that a short run tries the same inputs each
# time; without it every run explores afresh.
#
#   scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=build-fuzz
# Installs what is missing (clang and its libFuzzer runtime among it) and
# builds the core and the targets alone with clang.
CC=clang CXX=clang++ scripts/setup.sh "$build" -DQUILLFEN_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in fuzz/*_fuzzer.cpp; do targets+=("$(basename "$t" .cpp)"); done
fi
seed=()
if [ -n "${FUZZ_SEED:-}" ]; then seed=(-seed="$FUZZ_SEED"); fi
failed=()
for t in "${targets[@]}"; do
  mkdir -p "$build/fuzz-corpus/$t" "$build/fuzz-findings/$t"
  echo "== $t: ${seconds}s"
  # New finds go into the first folder.
  inputs=("$build/fuzz-corpus/$t" "fuzz/corpus/$t")
  if [ -d "fuzz/regressions/$t" ]; then inputs+=("fuzz/regressions/$t"); fi
  # -timeout: one input that runs this long is a hang.
  if ! nice "$build/fuzz/$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
      -max_len=16384 -dict=fuzz/card.dict -print_final_stats=1 "${seed[@]}" \
      -artifact_prefix="$build/fuzz-findings/$t/" "${inputs[@]}" \
      > "$build/fuzz-findings/$t/last-run.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "$build/fuzz-findings/$t/last-run.log"
  fi
  grep -E "^(stat::number_of_executed_units|stat::new_units_added|Done)" \
    "$build/fuzz-findings/$t/last-run.log" | tr '\n' ' ' || true
  echo
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $build/fuzz-findings/)" >&2
  exit 1
fi
