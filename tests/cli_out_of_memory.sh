#!/usr/bin/env bash
# tessaline-cli under a limit on its address space of 250,000 KiB, which holds the program but no
# picture of 8192x8192 pixels (256 MiB) nor a series file of 250 MiB: every command ends with the one
# line "tessaline-cli: out of memory" (after a simulation's progress) and status 1, never a core dump.
set -uo pipefail
cli="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
printf '0\n0\n500\n0\n' >"$work/series.txt"
printf '500,0\n' >"$work/etalons.csv"
truncate -s 250M "$work/large.txt"  # sparse: it takes no disc space
detect=(detect --etalons "$work/etalons.csv" --tmin 2 --tmax 3 --series)
big=(--size 8192x8192)
while read -r -a args; do
  (ulimit -c 0 -v 250000 && exec "$cli" "${args[@]}") >/dev/null 2>"$work/err"
  status=$?
  if [ "$status" -ne 1 ] || [ "$(grep -v '^simulate: .* cells' "$work/err")" != "tessaline-cli: out of memory" ]; then
    echo "FAIL: ${args[*]} exited $status:" >&2
    head -c 2000 "$work/err" >&2
    failures=$((failures + 1))
  fi
done <<EOF_CASES
render --view alphabet --steps 0 ${big[*]} --out $work/x.png
layout ${big[*]} --clicks 10,10
run --steps 0 ${big[*]} --clicks 10,10
simulate --repeats 1 --noise-steps 1 --pulses-to 7 --threads 1 ${big[*]} --plot $work/x.png
${detect[*]} $work/series.txt ${big[*]} --plot $work/x.bmp
${detect[*]} $work/large.txt
EOF_CASES
echo "out of memory checks: $failures of 6 failed"
[ "$failures" -eq 0 ]
