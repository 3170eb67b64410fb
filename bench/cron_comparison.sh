#!/usr/bin/env bash
# Orvalo beside Debian's cron on the same machine, with the same every-minute job
# (`date +%s.%N`): the delay from the due minute to the command's start (p50, p99),
# and each daemon's CPU time and resident memory over the same period.
#   bench/cron_comparison.sh [SECONDS]   (default 600; as root: installs cron, writes /etc/cron.d)
set -euo pipefail
cd "$(dirname "$0")/.."
duration=${1:-600}
bin=${ORVALO_BIN:-$PWD/build/bin}
if ! command -v cron >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cron >/dev/null
fi
work=$(mktemp -d /tmp/orvalo-vs-cron-XXXXXX)
cleanup() {
  [ -n "${orvalo_pid:-}" ] && kill "$orvalo_pid" 2>/dev/null || true
  [ -n "${cron_pid:-}" ] && kill "$cron_pid" 2>/dev/null || true
  rm -f /etc/cron.d/orvalo-comparison
  wait 2>/dev/null || true
}
trap cleanup EXIT

# cron: one system job, run by its own daemon in the foreground.
printf '* * * * * root date +\\%%s.\\%%N >> %s/cron.txt\n' "$work" > /etc/cron.d/orvalo-comparison
cron -f -L 0 &
cron_pid=$!

# Orvalo: the same job as a time event of the service.
export ORVALO_HOME=$work
"$bin/orvaloctl" add-time --name every-minute --command "date +%s.%N >> $work/orvalo.txt" \
  --start "$(date +%Y-%m-%d) 00:00:00" --type daily --every 1 --unit min >/dev/null
"$bin/orvaloctl" enable 0
cp "$work/L.csv" "$work/sl.csv"
"$bin/OrvaloS" -console >/dev/null 2>&1 &
orvalo_pid=$!

cpu_ms() { awk '{ printf "%d", ($14 + $15) * 1000 / '"$(getconf CLK_TCK)"' }' "/proc/$1/stat"; }
rss_kb() { awk '/^VmRSS/ { print $2 }' "/proc/$1/status"; }
sleep 2
cron_cpu0=$(cpu_ms "$cron_pid"); orvalo_cpu0=$(cpu_ms "$orvalo_pid")
sleep "$duration"
cron_cpu=$(( $(cpu_ms "$cron_pid") - cron_cpu0 )); orvalo_cpu=$(( $(cpu_ms "$orvalo_pid") - orvalo_cpu0 ))
cron_rss=$(rss_kb "$cron_pid"); orvalo_rss=$(rss_kb "$orvalo_pid")

# Delay of each start after its due minute, in ms; p50 and p99 by rank.
delays() {
  [ -s "$1" ] || { echo "- - 0"; return; }
  awk '{ d = ($1 - int($1 / 60) * 60) * 1000; if (d > 30000) d -= 60000; print d }' "$1" | sort -n |
    awk '{ v[NR] = $1 } END { i50 = int((NR - 1) * 0.5) + 1; i99 = int((NR - 1) * 0.99) + 1;
           printf "%.1f %.1f %d", v[i50], v[i99], NR }'
}
read -r cron_p50 cron_p99 cron_n <<< "$(delays "$work/cron.txt")"
read -r orvalo_p50 orvalo_p99 orvalo_n <<< "$(delays "$work/orvalo.txt")"
printf '| daemon | runs | delay p50 | delay p99 | CPU over %d s | VmRSS |\n|---|---|---|---|---|---|\n' "$duration"
printf '| cron | %s | %s ms | %s ms | %s ms | %s kB |\n' "$cron_n" "$cron_p50" "$cron_p99" "$cron_cpu" "$cron_rss"
printf '| OrvaloS | %s | %s ms | %s ms | %s ms | %s kB |\n' "$orvalo_n" "$orvalo_p50" "$orvalo_p99" "$orvalo_cpu" "$orvalo_rss"
