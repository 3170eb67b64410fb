#!/usr/bin/env bash
# Crash safety: OrvaloS runs 40 every-second time events and 10 file events (a heavy,
# steady load of runs writing sl.csv and runs.db) and is killed with SIGKILL at
# random moments. After each kill sl.csv must load with every event and runs.db
# must open, and the service is started again on them. At the end a last start and
# stop: no run may be left open ("running") by the killed services. Prints the
# kills survived, the events lost and the runs left open.
#   bench/crash_safety.sh [KILLS]   (default 100; needs build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
kills=${1:-100}
bin=${ORVALO_BIN:-$PWD/build/bin}
home=$(mktemp -d /tmp/orvalo-crash-XXXXXX)
check=$(mktemp -d /tmp/orvalo-crash-check-XXXXXX)
trap '[ -n "${pid:-}" ] && kill -KILL "$pid" 2>/dev/null; rm -rf "$home" "$check"' EXIT
export ORVALO_HOME=$home

for i in $(seq 1 40); do
  "$bin/orvaloctl" add-time --name "tick$i" --command "echo $i >> $home/ticks" --type daily --every 1 --unit s >/dev/null
done
for i in $(seq 1 10); do
  "$bin/orvaloctl" add-file --name "file$i" --path "$home/in$i" --run every --infinite --wait 0 --command true >/dev/null
done
ids=$("$bin/orvaloctl" list --json | grep -c '"ID"')
for id in $(seq 0 39) $(seq 1000 1009); do "$bin/orvaloctl" enable "$id"; done
cp "$home/L.csv" "$home/sl.csv"

survived=0
lost=0
for k in $(seq 1 "$kills"); do
  ORVALO_TICK_MS=200 "$bin/OrvaloS" -console >/dev/null 2>&1 &
  pid=$!
  # a random moment between 0.2 and 2.2 s after the start
  sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.3f", 0.2 + (r % 2000) / 1000 }')"
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null || true
  cp "$home/sl.csv" "$check/L.csv"
  loaded=$(ORVALO_HOME=$check "$bin/orvaloctl" list --json 2>/dev/null | grep -c '"ID"' || true)
  if ! ORVALO_HOME=$home "$bin/orvaloctl" history --limit 1 >/dev/null 2>&1; then
    unopened=$((${unopened:-0} + 1))
    echo "kill $k: runs.db does not open" >&2
  fi
  if [ "$loaded" -eq "$ids" ]; then
    survived=$((survived + 1))
  else
    lost=$((lost + ids - loaded))
    echo "kill $k: sl.csv holds $loaded of $ids events" >&2
  fi
done
# A last start marks what the killed services left open; its own stop ends cleanly.
ORVALO_TICK_MS=200 "$bin/OrvaloS" -console >/dev/null 2>&1 &
pid=$!
until grep -c "Service init OK" "$home/slog.txt" | grep -qx "$((kills + 1))"; do sleep 0.05; done
kill -TERM "$pid"; wait "$pid" 2>/dev/null || true; pid=
history=$(ORVALO_HOME=$home "$bin/orvaloctl" history --limit 10000000 --json)
open=$(grep -c '"result": "running"' <<<"$history" || true)
cut=$(grep -c '"result": "ended without a result"' <<<"$history" || true)
recorded=$(grep -c '"run": ' <<<"$history" || true)
starts=$(grep -c "Service init OK" "$home/slog.txt" || true)
runs=$(wc -l < "$home/ticks")
echo "kills: $kills, survived: $survived, events lost: $lost, service starts that loaded the list: $starts, runs: $runs"
echo "runs.db: did not open after ${unopened:-0} kills; $recorded runs recorded, $cut cut off by a kill, $open left open"
[ "$lost" -eq 0 ] && [ "${unopened:-0}" -eq 0 ] && [ "$open" -eq 0 ]
