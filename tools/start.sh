#!/usr/bin/env bash
# Installs what is missing, builds the workbench and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/packages.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tessaline-cli
# The window front end is not built yet: the command-line front end processes one series with the
# defaults and prints its report.
exec build/release/cli/tessaline-cli run "$@"
