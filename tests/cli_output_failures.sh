#!/usr/bin/env bash
# tessaline-cli as a shell runs it: output that cannot be written is an error (exit 1, the reason
# on stderr), and an interrupt, a termination or a hang-up stops a long simulation promptly without
# printing a result or leaving its CSV's unfinished file behind.
set -uo pipefail
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

expect() {  # expect STATUS TEXT -- command...: the exit status and a text of stderr
  local status="$1" text="$2"
  shift 3
  "$@" 2>"$work/err"
  local got=$?
  if [ "$got" -ne "$status" ] || ! grep -qF -- "$text" "$work/err"; then
    echo "FAIL: $* exited $got (expected $status, stderr with \"$text\"):" >&2
    cat "$work/err" >&2
    failures=$((failures + 1))
  fi
}

quick=(--repeats 1 --noise-steps 1 --pulses-to 7 --threads 1)
expect 1 "cannot write standard output: No space left on device" -- sh -c "\"$cli\" run --json >/dev/full"
expect 1 "cannot write standard output: Bad file descriptor" -- sh -c "\"$cli\" alphabet --json >&-"
expect 1 "cannot write /dev/full" -- sh -c "\"$cli\" simulate ${quick[*]} --csv /dev/full >/dev/null"
expect 1 "cannot write $work/none/x.csv" -- sh -c "\"$cli\" simulate ${quick[*]} --csv $work/none/x.csv"
[ -c /dev/full ] || { echo "FAIL: /dev/full is no longer a device" >&2; failures=$((failures + 1)); }

# detect --plot draws a picture of its own: one that cannot be written is told as the command line
# tells it, in every format, and leaves an older file of the name as it was.
printf '0\n0\n500\n0\n' >"$work/series.txt"
printf '500,0\n' >"$work/etalons.csv"
plot() {  # plot FILE [LIMIT]: detect drawing into FILE, files limited to LIMIT KiB
  (ulimit -f "${2:-unlimited}" && exec "$cli" detect --series "$work/series.txt" --etalons "$work/etalons.csv" \
    --tmin 2 --tmax 3 --size 64x32 --plot "$1") >/dev/null
}
for file in none/x.bmp none/x.pcx none/x.png; do
  expect 1 "tessaline-cli: detect: cannot write $work/$file: No such file or directory" -- plot "$work/$file"
done
echo older >"$work/older.bmp"
expect 1 "tessaline-cli: detect: cannot write $work/older.bmp: " -- plot "$work/older.bmp" 1
[ "$(cat "$work/older.bmp")" = older ] || { echo "FAIL: the older file was changed" >&2; failures=$((failures + 1)); }

# Heavy cells (a long series of 4000 pulses, repeats enough to outlast the wait): an interrupt, a
# termination or a hang-up after a second ends the run within a few seconds, incomplete, with nothing on stdout and no part of the
# CSV left beside its name; an interrupt ends it as a cancelled run (status 1), the other two by
# their signal.
limit=5
[ "${TESSALINE_SANITIZED:-0}" = 1 ] && limit=60  # one repeat of such a cell takes far longer there
for signal in INT:1 TERM:143 HUP:129; do
  name=${signal%:*} expected=${signal#*:}
  "$cli" simulate --length 32767 --tmin 1 --tmax 65535 --series-type 1 --pulses-from 4000 --pulses-to 4000 \
    --repeats 200 --noise-steps 1 --threads 1 --json --csv "$work/s.csv" >"$work/out" 2>"$work/err" &
  pid=$!
  sleep 1
  kill -"$name" "$pid"
  start=$(date +%s)
  wait "$pid" 2>/dev/null
  status=$?
  took=$(($(date +%s) - start))
  left=$(ls "$work" | grep -c '^s\.csv' || true)
  if [ "$status" -ne "$expected" ] || [ -s "$work/out" ] || [ "$took" -gt "$limit" ] || [ "$left" -ne 0 ] ||
    ! grep -q "cancelled" "$work/err"; then
    echo "FAIL: SIG$name to a simulation: exit $status after ${took}s, stdout $(wc -c <"$work/out") bytes," \
      "$left CSV files left" >&2
    cat "$work/err" >&2
    failures=$((failures + 1))
  fi
done

echo "output and interrupt checks: $failures of 12 failed"
[ "$failures" -eq 0 ]
