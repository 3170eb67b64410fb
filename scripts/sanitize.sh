#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-asan/ and runs the whole test suite there.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALO_BENCH=OFF -DORVALO_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j "$(nproc 2>/dev/null || echo 2)"
ctest --test-dir build-asan --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" --timeout 600
