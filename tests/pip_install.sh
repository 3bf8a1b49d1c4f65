#!/usr/bin/env bash
# A Python user's install: a fresh virtual environment that sees the system's packages, then
# `pip install --no-build-isolation` of a copy of the repository, offline (no package index), then
# the module imported from the environment, its version against the installed metadata, one
# detection and the figure function. Usage: pip_install.sh PYTHON REPOSITORY
set -euo pipefail
python="$1"
repository="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# A copy without the build trees, as a fresh clone has it.
mkdir "$work/source"
tar -C "$repository" --exclude=./build --exclude=./.git --exclude=./out -cf - . | tar -C "$work/source" -xf -
"$python" -m venv --system-site-packages "$work/env"
# Built unoptimised and in a few combined sources: the test checks the install, not the speed. The
# shared compiler cache of a developer's machine speeds the build where there is one.
export CMAKE_ARGS="-DCMAKE_BUILD_TYPE=None -DCMAKE_UNITY_BUILD=ON ${CMAKE_ARGS:-}"
if command -v ccache >/dev/null; then
  export CMAKE_ARGS="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache ${CMAKE_ARGS:-}"
fi
"$work/env/bin/pip" install --no-build-isolation --no-index --quiet "$work/source" >"$work/pip.log" 2>&1 ||
  { echo "FAIL: pip install" >&2; tail -40 "$work/pip.log" >&2; exit 1; }

cd "$work"
"$work/env/bin/python" - "$work/env" <<'PYTHON'
import importlib.metadata
import sys

import numpy as np

import tessaline

assert tessaline.__file__.startswith(sys.argv[1]), tessaline.__file__
assert tessaline.__version__ == importlib.metadata.version("tessaline"), \
    (tessaline.__version__, importlib.metadata.version("tessaline"))
etalon = (1000 * np.sin(np.linspace(0, np.pi, 20))).astype(np.int16)
series = np.zeros(300, dtype=np.int16)
for start in (30, 120, 210):
    series[start:start + 20] += etalon
found = tessaline.detect(series, etalon[np.newaxis, :], 40)
assert list(found["positions"]) == [30, 120, 210], found["positions"]
assert callable(tessaline.plot_simulation)
print("installed", tessaline.__version__, "in", sys.argv[1])
PYTHON
