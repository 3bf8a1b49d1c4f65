#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the optimised build, then the
# build under AddressSanitizer and UndefinedBehaviorSanitizer (with fewer randomised cases); the
# style checks run beside the optimised build (clang-tidy needs only its compile commands). Each
# phase's time is printed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

phases=()
phase_start=$SECONDS
# Ends the phase running since the last call, naming it.
end_phase() {
  phases+=("$(printf '%-28s %4d s' "$1" $((SECONDS - phase_start)))")
  phase_start=$SECONDS
}
report_phases() {
  echo "=== phase times ==="
  printf '%s\n' "${phases[@]}"
  echo "total: $SECONDS s"
}
trap report_phases EXIT

tools/packages.sh
end_phase "packages"
status=0

echo "=== style ==="
# The formatting check runs while the release preset is configured.
tools/lint.sh format &
format=$!
cmake --preset release >/dev/null
wait "$format" || status=1
end_phase "formatting, configure"
# clang-tidy over the production sources runs while the release preset builds.
tidy_log="$(mktemp)"
tools/lint.sh tidy >"$tidy_log" 2>&1 &
tidy=$!

echo "=== release ==="
cmake --build --preset release || status=1
end_phase "release build"
wait "$tidy" || status=1
cat "$tidy_log"
rm -f "$tidy_log"
end_phase "clang-tidy (rest)"
ctest --preset release || status=1
end_phase "release tests"

echo "=== debug ==="
cmake --preset debug >/dev/null
cmake --build --preset debug || status=1
end_phase "sanitizer build"
TESSALINE_RANDOM_CASES="${TESSALINE_RANDOM_CASES_SANITIZED:-100}" ctest --preset debug || status=1
end_phase "sanitizer tests"
exit $status
