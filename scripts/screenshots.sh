#!/usr/bin/env bash
# Takes the pictures in docs/screenshots under a virtual X display (Xvfb) of a small
# laptop's size, 1366x768, with the real xcb platform and the default widget style.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
command -v xvfb-run >/dev/null || orvalo_install_missing xvfb xauth
cmake --build build --target orvalo_screenshots
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1366x768x24" build/tools/orvalo_screenshots docs/screenshots
