#!/usr/bin/env bash
# The bad-input catalogue: hand-broken event lists and settings files, each given to
# orvaloctl (the manager's reading and writing) and to OrvaloS (loading at start).
# For every case it prints what the user is told and whether the file is unchanged
# afterwards (nothing lost). The web and SMTP failures (a server that hangs, sends
# garbage or refuses) are covered by tests/execution/web_page_fetch_test.cpp and
# mail_notifier_test.cpp.
#   bench/bad_input.sh   (needs build/bin)
set -uo pipefail
cd "$(dirname "$0")/.."
bin=${ORVALO_BIN:-$PWD/build/bin}
work=$(mktemp -d /tmp/orvalo-bad-XXXXXX)
trap 'rm -rf "$work"' EXIT

header='ID;NAME;DATE;COMMANDLINE;CFG_SAVE;STATE;ACTIVE;LASTRUN;START_MODE;KILL_AFTER_MINS;F_RUNMODE;FILE;FILENAME;F_EXIST;F_ONE_EXEC;F_INFINITY;F_ENUMEND;F_LOOPWAIT;EMAIL;LOG;W_CHECK;W_URL;W_EXIST;W_STR;W_CHECK_CNT'
good_file='1000;Watch;[File on create]: /tmp/x;true;;Waiting;Enabled;;Normal;0;0;1;/tmp/x;1;0;0;1;1;0;0;0;;0;;0'
schedule='"# Schedule: Generic\r\nStart.Date = 2026/12/01\r\nStart.Time = 08:00:00.000\r\n# Schedule: Recurring info\r\nRecur type = srkOneShot\r\n"'

make_case() {  # name, then the list text on stdin
  mkdir -p "$work/$1"
  cat > "$work/$1/L.csv"
  cp "$work/$1/L.csv" "$work/$1/sl.csv"
}

printf '%s\n%s\n' "$header" "$good_file" | make_case "good list (reference)"
printf '' | make_case "empty file"
printf '%s\n' "$header" | make_case "header only"
printf '%s\n%s\n%s\n' "$header" "$good_file" "$good_file" | make_case "duplicate ID"
printf '%s\n%s\n' "$header" "${good_file/1000;/x1;}" | make_case "ID not a number"
printf '%s\n0;T;d;true;"not a schedule";Waiting;Enabled;;Normal;0;0;0;;0;0;0;0;0;0;0;0;;0;;0\n%s\n' "$header" "$good_file" | make_case "CFG_SAVE unreadable"
printf '%s\n0;T;d;true;%s;Waiting;Enabled;;Normal;0;0;0;;0;0;0;0;0;0;0;0;;0;;0\n' "$header" "$schedule" | make_case "one-shot time event (reference)"
printf '%s\n%s\n' "$header" "${good_file/;1;1;0;0;0;;0;;0/;1;soon;0;0;0;;0;;0}" | make_case "F_LOOPWAIT not a number"
printf '%s\n%s;extra;columns;here\n' "$header" "$good_file" | make_case "too many columns"
printf '%s\n1000;"unterminated;x\n' "$header" | make_case "unterminated quote"
{ printf '%s\n1000;' "$header"; head -c 40000 /dev/zero | tr '\0' 'a'; printf '\n'; } | make_case "line of 40,000 characters"
head -c 65536 /dev/urandom | make_case "binary garbage"
{ printf '%s\n' "$header"; for i in $(seq 1000 200999); do echo "${good_file/1000/$i}"; done; } | make_case "huge list (200,000 rows, ~20 MB)"

printf '| case | orvaloctl list | OrvaloS start | both lists unchanged by reading | orvaloctl enable 1000 (on a copy) |\n|---|---|---|---|---|\n'
for dir in "$work"/*/; do
  name=$(basename "$dir")
  before_l=$(md5sum < "$dir/L.csv"); before_s=$(md5sum < "$dir/sl.csv")
  error=$(ORVALO_HOME=$dir timeout 60 "$bin/orvaloctl" list 2>&1 >/dev/null | head -1)
  rows=$(ORVALO_HOME=$dir timeout 60 "$bin/orvaloctl" list 2>/dev/null | tail -n +2 | wc -l)
  ORVALO_HOME=$dir timeout 4 "$bin/OrvaloS" -console >/dev/null 2>&1
  service=$(grep -a -E "Service init OK|Service failed on execute" "$dir/slog.txt" 2>/dev/null | tail -1 | sed 's/^[^ ]*:[0-9][0-9]:\(Service\)/\1/' | cut -c1-100)
  after_l=$(md5sum < "$dir/L.csv"); after_s=$(md5sum < "$dir/sl.csv")
  same=$([ "$before_l" = "$after_l" ] && [ "$before_s" = "$after_s" ] && echo yes || echo NO)
  mkdir -p "$dir/copy" && cp "$dir/L.csv" "$dir/copy/"
  enable=$(ORVALO_HOME=$dir/copy timeout 60 "$bin/orvaloctl" enable 1000 2>&1 | tr '\n' ' ' | cut -c1-100)
  printf '| %s | %s | %s | %s | %s |\n' "$name" "${error:-$rows rows}" "${service:-(no start line)}" "$same" "${enable:-enabled}"
done

# Orvalo.ini
mkdir -p "$work/ini"
for text in "garbage" "binary" "no sections" "value with CR"; do
  case $text in
    garbage) printf '[MAIN\nService_Active==\n\x01\x02' ;;
    binary) head -c 4096 /dev/urandom ;;
    "no sections") printf 'email=a@b.c\nESMTP=host\n' ;;
    "value with CR") printf '[MAIL]\nESMTP=host\r\nEPSW=x\r\n' ;;
  esac > "$work/ini/Orvalo.ini"
  out=$(ORVALO_HOME=$work/ini timeout 10 "$bin/orvaloctl" email 2>&1 | tr '\n' ' ' | cut -c1-120)
  echo "| Orvalo.ini: $text | orvaloctl email: $out | | | |"
done
