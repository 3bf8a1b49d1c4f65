#!/usr/bin/env bash
# Runs small simulations in one process and spread over two processes with mpirun and checks
# that the JSON results (the matrices, their spreads, a seeded run) are identical byte for byte.
set -euo pipefail
mpirun="$1"
cli="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

check() {
  "$cli" simulate "$@" --json 2>/dev/null >"$work/one.json"
  "$mpirun" -np 2 --oversubscribe "$cli" simulate "$@" --json 2>/dev/null >"$work/two.json"
  if ! cmp -s "$work/one.json" "$work/two.json"; then
    echo "different results across processes for: $*" >&2
    exit 1
  fi
  grep -q '"ifComplete":1' "$work/one.json" || { echo "incomplete run for: $*" >&2; exit 1; }
}

check --pulses-to 9 --noise-steps 5 --noise-incr 20 --repeats 6 --threads 1
check --task joint --series-type 2 --required 1,4,7 --pulses-to 8 --noise-steps 3 --noise-incr 30 --repeats 5 --threads 2
check --seed 99 --task recognition --series-type 8 --required 2,5 --pulses-to 9 --noise-steps 2 --noise-incr 90 --repeats 4
echo "identical across 1 and 2 processes"
