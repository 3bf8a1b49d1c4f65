#!/usr/bin/env bash
# Installs what is missing, builds the workbench (its programs and the Python module) and opens its
# window. Without a display (no
# DISPLAY or WAYLAND_DISPLAY) it says so and runs the command-line front end instead: one series
# processed with the defaults (or the `run` options given) and its report.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/packages.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tessaline tessaline-cli tessaline_python
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "tessaline: no display to open the window on; running tessaline-cli run instead" >&2
  exec build/release/cli/tessaline-cli run "$@"
fi
exec build/release/gui/tessaline "$@"
