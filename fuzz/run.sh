#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer) into build-fuzz/ and runs each one.
#   fuzz/run.sh [runs]            each target for that many inputs (default 1000000)
#   FUZZ_SECONDS=600 fuzz/run.sh  each target for that long instead
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
orvalo_install_missing clang libclang-rt-14-dev

runs="${1:-1000000}"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALO_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc 2>/dev/null || echo 2)" --target ${FUZZ_TARGETS:-csv_reader_fuzz ini_reader_fuzz schedule_text_fuzz}

mkdir -p fuzz/findings
# FUZZ_TARGETS="a b" picks targets; all of them by default.
for target in ${FUZZ_TARGETS:-csv_reader_fuzz ini_reader_fuzz schedule_text_fuzz}; do
  work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  cp -n fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  limit=(-runs="$runs")
  [ -n "${FUZZ_SECONDS:-}" ] && limit=(-max_total_time="$FUZZ_SECONDS")
  echo "== $target"
  build-fuzz/fuzz/"$target" "${limit[@]}" -max_len=8192 -artifact_prefix=fuzz/findings/"$target"- \
    -print_final_stats=1 "$work" 2>&1 | tee "build-fuzz/$target.log" | grep -E "^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|Done)" || true
done
