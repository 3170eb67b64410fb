#!/usr/bin/env bash
# Installs what is missing, builds the three programs into build/bin and starts
# Orvalo with its data in ORVALO_HOME (default ./data), so a rebuild never touches
# the user's files. With a display it opens the window; without one it runs the
# service in the foreground on the events added with orvaloctl.
set -euo pipefail
cd "$(dirname "$0")"
ORVALO_BUILD_TARGETS="Orvalo OrvaloS orvaloctl" source scripts/setup.sh

# Private, as the service's strict modes want its folder.
export ORVALO_HOME="$(mkdir -p -m 700 "${ORVALO_HOME:-./data}" && cd "${ORVALO_HOME:-./data}" && pwd)"
echo "Data folder: $ORVALO_HOME"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "First event: press \"Add Time event\", set the schedule, OK, then \"Enable\"."
  exec build/bin/Orvalo "$@"
fi

# The foreground service runs the list orvaloctl keeps (L.csv), handed to it as
# "service update" would.
if [ -f "$ORVALO_HOME/L.csv" ]; then cp "$ORVALO_HOME/L.csv" "$ORVALO_HOME/sl.csv"; fi
cat <<TEXT
No display: running the service in the foreground on the events of $ORVALO_HOME.
To add a first event, in another terminal:
  export ORVALO_HOME=$ORVALO_HOME
  $PWD/build/bin/orvaloctl add-time --name Hello --command 'date >> /tmp/orvalo-hello.txt' --type daily --every 1 --unit min
  $PWD/build/bin/orvaloctl enable 0
then stop this service (Ctrl-C, about six seconds) and start ./run.sh again: it takes the new list.
Or, once this one is stopped, run it in the background: $PWD/build/bin/orvaloctl service install
Log: $ORVALO_HOME/slog.txt
TEXT
exec build/bin/OrvaloS -console
