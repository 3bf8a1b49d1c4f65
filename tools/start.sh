#!/usr/bin/env bash
# Installs what is missing, builds the workbench (its programs and the Python module) and opens its
# window. When the window cannot open (no display named, an empty or a dead one, no platform to draw
# on) it says why and runs the command-line front end instead: one series processed with the
# defaults (or the `run` options given) and its report.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/packages.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tessaline tessaline-cli tessaline_python
if ! why="$(build/release/gui/tessaline --check-display 2>&1)"; then
  echo "${why:-tessaline: the window cannot open}" >&2
  echo "tessaline: running tessaline-cli run instead" >&2
  exec build/release/cli/tessaline-cli run "$@"
fi
exec build/release/gui/tessaline "$@"
