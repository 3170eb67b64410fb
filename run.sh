#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts Orvalo with its data in
# ORVALO_HOME (default ./data), so a rebuild never touches the user's files.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

export ORVALO_HOME="$(mkdir -p "${ORVALO_HOME:-./data}" && cd "${ORVALO_HOME:-./data}" && pwd)"
echo "Data folder: $ORVALO_HOME"
echo "Built:"
find build/bin build/tests build/bench -maxdepth 1 -type f -executable 2>/dev/null | sort | sed 's/^/  /'
if [ -x build/bin/Orvalo ]; then
  exec build/bin/Orvalo "$@"
else
  echo "The library and its tests are built; the Orvalo programs come in later versions."
fi
