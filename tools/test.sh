#!/usr/bin/env bash
# Installs what is missing, builds both presets and runs every test: the optimised build, then the
# build under AddressSanitizer and UndefinedBehaviorSanitizer (with fewer randomised cases); the
# style checks run first.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/packages.sh
status=0
# The style checks first: the formatting, then clang-tidy over the release preset's compile commands.
echo "=== style ==="
tools/lint.sh || status=1
for preset in release debug; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  if [ "$preset" = debug ]; then
    TESSALINE_RANDOM_CASES="${TESSALINE_RANDOM_CASES_SANITIZED:-150}" ctest --preset "$preset" || status=1
  else
    ctest --preset "$preset" || status=1
  fi
done
exit $status
