#!/usr/bin/env bash
# Soak: OrvaloS runs 20 every-second time events (with logging) until 10,000 runs
# have been made; its descriptors, threads and resident memory are read after a
# warm-up and at the end, when the runs have settled.
#   bench/soak.sh [RUNS]   (default 10000; needs build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:-10000}
bin=${ORVALO_BIN:-$PWD/build/bin}
home=$(mktemp -d /tmp/orvalo-soak-XXXXXX)
trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$home"' EXIT
export ORVALO_HOME=$home
for i in $(seq 1 20); do
  "$bin/orvaloctl" add-time --name "soak$i" --command "echo $i >> $home/runs" --type daily --every 1 --unit s >/dev/null
  "$bin/orvaloctl" enable $((i - 1))
done
cp "$home/L.csv" "$home/sl.csv"
"$bin/OrvaloS" -console >/dev/null 2>&1 &
pid=$!

sample() {
  printf 'fds %s, threads %s, VmRSS %s kB' "$(ls "/proc/$pid/fd" | wc -l)" \
    "$(awk '/^Threads/ { print $2 }' "/proc/$pid/status")" "$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status")"
}
runs() { [ -f "$home/runs" ] && wc -l < "$home/runs" || echo 0; }
# Samples are taken between two fires, when the second's runs have ended.
between() { sleep "0.$(printf '%03d' $(( (1000 - 10#$(date +%N | cut -c1-3) + 600) % 1000 )))"; }
sleep 20
between
start=$(sample); startRuns=$(runs); t0=$(date +%s)
# A sample at every quarter shows whether anything grows with the runs.
quarter=$((target / 4)); next=$quarter
while [ "$(runs)" -lt "$target" ]; do
  sleep 5
  if [ "$(runs)" -ge "$next" ] && [ "$next" -lt "$target" ]; then
    between
    echo "after $(runs) runs: $(sample)"
    next=$((next + quarter))
  fi
done
between
end=$(sample); t1=$(date +%s)
echo "runs: $(runs) in $((t1 - t0 + 20)) s"
echo "after warm-up ($startRuns runs): $start"
echo "at the end:                     $end"
