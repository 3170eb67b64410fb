#!/usr/bin/env bash
# Installs what is missing, builds into build/ and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh
ctest --test-dir build --output-on-failure -j "$(nproc 2>/dev/null || echo 2)" --timeout 300
