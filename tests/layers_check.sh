#!/usr/bin/env bash
# The layer checker on its fixture trees: it passes the clean tree, and on the broken one exits 1
# naming exactly the forbidden includes of broken.expected; with --strict it refuses rules that
# name folders the tree does not have.
set -uo pipefail
python="$1" checker="$2" rules="$3" fixture="$4"
failures=0

out="$("$python" "$checker" "$fixture/clean" "$rules" 2>&1)"
status=$?
if [ "$status" -ne 0 ]; then
  echo "FAIL: the clean tree exited $status (expected 0):" >&2
  echo "$out" >&2
  failures=$((failures + 1))
fi

out="$("$python" "$checker" "$fixture/broken" "$rules" 2>&1)"
status=$?
found="$(echo "$out" | grep -oE '^[^ :]+:[0-9]+:' | sed 's/:$//' | sort)"
if [ "$status" -ne 1 ] || [ "$found" != "$(sort "$fixture/broken.expected")" ]; then
  echo "FAIL: the broken tree exited $status (expected 1) reporting:" >&2
  echo "$out" >&2
  echo "expected exactly:" >&2
  cat "$fixture/broken.expected" >&2
  failures=$((failures + 1))
fi

"$python" "$checker" --strict "$fixture/clean" "$rules" >/dev/null 2>&1
status=$?
if [ "$status" -ne 2 ]; then
  echo "FAIL: --strict on a tree without the folders of the rules exited $status (expected 2)" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "layer checker: clean tree passes, broken tree fails as expected"
exit $((failures > 0))
