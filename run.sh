#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts Orvalo with its data in
# ORVALO_HOME (default ./data), so a rebuild never touches the user's files.
# Without a display (or before the window exists) it runs the service in the
# foreground on the data folder's sl.csv.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/setup.sh

# Private, as the service's strict modes want its folder.
export ORVALO_HOME="$(mkdir -p -m 700 "${ORVALO_HOME:-./data}" && cd "${ORVALO_HOME:-./data}" && pwd)"
echo "Data folder: $ORVALO_HOME"
if [ -x build/bin/Orvalo ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/Orvalo "$@"
fi
echo "Running the service in the foreground on $ORVALO_HOME/sl.csv (log: $ORVALO_HOME/slog.txt)."
echo "Press Ctrl-C to stop it; it stops within about six seconds."
exec build/bin/OrvaloS -console
