#!/usr/bin/env bash
# The stop and hand-over figures of the service, on a throw-away program folder:
#   1. stop time: a one-shot event (kill time 1 min) falls due 2 s after SIGTERM;
#   2. "orvaloctl service update" while the service is frozen (SIGSTOP): its exit
#      status, message, time, and whether sl.csv was replaced;
#   3. threads of the service while a web event (checked every minute, 10-second
#      ticks) waits on a server that never answers, sampled every minute.
#   bench/stop_and_update.sh [MINUTES]   (default 10; ORVALO_BIN picks the programs)
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
bin=${ORVALO_BIN:-$PWD/build/bin}
work=$(mktemp -d /tmp/orvalo-stop-XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT

ms() { date +%s%3N; }

# 1. A run due inside the six seconds of the stop.
home=$work/stop; mkdir -p "$home"
ORVALO_HOME=$home "$bin/orvaloctl" add-time --name Once --command "touch $home/ran" --kill 1 \
  --type one-shot --start "$(date -d '+4 seconds' '+%Y-%m-%d %H:%M:%S')" >/dev/null
ORVALO_HOME=$home "$bin/orvaloctl" enable 0
cp "$home/L.csv" "$home/sl.csv"
ORVALO_HOME=$home "$bin/OrvaloS" -console >/dev/null 2>&1 &
service=$!; pids+=("$service")
until grep -q "Service init OK" "$home/slog.txt" 2>/dev/null; do sleep 0.05; done
sleep 2
start=$(ms); kill -TERM "$service"; wait "$service" || true; stop=$(ms)
echo "stop with a run due 2 s after the request: $((stop - start)) ms; command started: $([ -e "$home/ran" ] && echo yes || echo no)"

# 2. Update while the service is frozen.
home=$work/update; mkdir -p "$home" "$work/scm"
export ORVALO_SCM=direct ORVALO_SCM_DIR=$work/scm
ORVALO_HOME=$home "$bin/orvaloctl" add-time --name First --command true >/dev/null
ORVALO_HOME=$home "$bin/orvaloctl" service install >/dev/null
frozen=$(cut -d' ' -f1 "$work/scm/Orvalo.pid"); pids+=("$frozen")
kill -STOP "$frozen"
ORVALO_HOME=$home "$bin/orvaloctl" add-time --name Second --command true >/dev/null
before=$(md5sum < "$home/sl.csv")
start=$(ms)
set +e; message=$(ORVALO_HOME=$home "$bin/orvaloctl" service update 2>&1); status=$?; set -e
stop=$(ms)
after=$(md5sum < "$home/sl.csv")
echo "update with a frozen service: exit $status after $((stop - start)) ms, sl.csv $([ "$before" = "$after" ] && echo kept || echo replaced): $message"
kill -CONT "$frozen"; sleep 8; kill -KILL "$frozen" 2>/dev/null || true
unset ORVALO_SCM ORVALO_SCM_DIR

# 3. Threads while a web check hangs.
home=$work/web; mkdir -p "$home"
exec {silent}< <(/usr/bin/python3 -c 'import socket, time
s = socket.socket(); s.bind(("127.0.0.1", 0)); s.listen(128)
print(s.getsockname()[1], flush=True); time.sleep(1e9)')
read -r -u "$silent" port
ORVALO_HOME=$home "$bin/orvaloctl" add-web --name Hang --url "http://127.0.0.1:$port/" --string x --every 1 --command true >/dev/null
ORVALO_HOME=$home "$bin/orvaloctl" enable 10000
cp "$home/L.csv" "$home/sl.csv"
ORVALO_HOME=$home "$bin/OrvaloS" -console >/dev/null 2>&1 &
service=$!; pids+=("$service")
samples=""
for m in $(seq 1 "$minutes"); do
  sleep 60
  samples+=" $(awk '/^Threads:/ { print $2 }' "/proc/$service/status")"
done
echo "threads each minute of a hanging web check:$samples"
echo "checks started: $(grep -c 'Active event 10000 ' "$home/slog.txt")"
kill -TERM "$service"; wait "$service" || true
