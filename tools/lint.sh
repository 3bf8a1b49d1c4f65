#!/usr/bin/env bash
# The style checks: every C++ file formatted as .clang-format says, and clang-tidy's checks of
# .clang-tidy on the production sources (compiled as the release preset compiles them).
#   tools/lint.sh            both
#   tools/lint.sh format     the formatting only (fast)
#   tools/lint.sh tidy       clang-tidy only
#   tools/lint.sh fix        reformats the files in place
set -euo pipefail
cd "$(dirname "$0")/.."
what="${1:-all}"

cpp_files() { git ls-files '*.cpp' '*.h' | grep -v '^tests/layers_fixture/'; }

check_format() {
  # A batch of files per job on every core; each job names the files that are not formatted.
  local unformatted=()
  mapfile -t unformatted < <(cpp_files | xargs -P "$(nproc)" -n 24 sh -c \
    'for file; do clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || echo "$file"; done' sh)
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted (run tools/lint.sh fix): %s\n' "${unformatted[@]}" >&2
    return 1
  fi
  echo "formatting: $(cpp_files | wc -l) files as .clang-format says"
}

PRODUCTION='^(model|processing|simulation|detect|imaging|app|views|panels|draw|platform|gui|cli|python)/'

# The release preset's compile commands without precompiled headers (clang-tidy reads each source
# with its own includes; the compiler's precompiled files are not clang's format), the unity build's
# combined files opened into the sources they include as well, and the jobs of a run in
# build/tidy/jobs, one "WHAT FILE" a line, the longest first:
#   matchers UNITY  every check but the static analyser on a combined file as it is compiled, so the
#                   large headers a batch of sources shares (Qt, the command-line parser, pybind11)
#                   are read and matched once a batch, not once a source;
#   analyser SOURCE the static analyser on one source of a combined file (it looks at the functions
#                   of the file it is given only);
#   all SOURCE      every check on a production source built on its own or by no build at all.
tidy_commands() {
  mkdir -p build/tidy
  git ls-files '*.cpp' | grep -E "$PRODUCTION" >build/tidy/production
  python3 - "$PWD" build/release/compile_commands.json build/tidy <<'PYTHON'
import json, os, re, sys
root, source, out = sys.argv[1:4]
production = set(open(os.path.join(out, "production")).read().split())
commands, matchers, analysed = [], [], []
for entry in json.load(open(source)):
    entry["command"] = re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", entry["command"])
    commands.append(entry)
    if "/Unity/unity_" in entry["file"]:
        included = re.findall(r'^#include "([^"]+)"', open(entry["file"]).read(), re.M)
        commands += [dict(entry, file=s, command=entry["command"].replace(entry["file"], s)) for s in included]
        sources = [os.path.relpath(s, root) for s in included]
        if all(s in production for s in sources):
            matchers.append(entry["file"])
            analysed += sources
json.dump(commands, open(os.path.join(out, "compile_commands.json"), "w"))
jobs = (["matchers " + f for f in matchers] + ["all " + s for s in sorted(production - set(analysed))] +
        ["analyser " + s for s in analysed])
open(os.path.join(out, "jobs"), "w").write("".join(j + "\n" for j in jobs))
PYTHON
}

# One job of build/tidy/jobs with the repository's .clang-tidy. The static analyser follows calls a
# few levels deep only (its shallow mode): the deep mode spent half of the run walking paths through
# the command-line parser's and Qt's inline code. A combined file's inclusion of sources is how the
# build combines them, not a finding.
tidy_job() {
  local checks=()
  case "$1" in
    matchers) checks=(--checks=-bugprone-suspicious-include,-clang-analyzer-*) ;;
    analyser) checks=(--checks=-*,clang-analyzer-*) ;;
  esac
  clang-tidy -p build/tidy --quiet "${checks[@]}" --extra-arg=-Xclang --extra-arg=-analyzer-config \
    --extra-arg=-Xclang --extra-arg=mode=shallow "$2" 2>/dev/null
}
export -f tidy_job

run_tidy() {
  [ -f build/release/compile_commands.json ] || cmake --preset release >/dev/null
  tidy_commands
  # One job per core at a time; each prints its findings, and any finding fails the run.
  xargs -P "$(nproc)" -L 1 bash -c 'tidy_job "$0" "$1"' <build/tidy/jobs
  echo "clang-tidy: $(wc -l <build/tidy/production) sources clean" \
    "($(grep -c '^matchers' build/tidy/jobs) combined files)"
}

case "$what" in
  format) check_format ;;
  tidy) run_tidy ;;
  fix) cpp_files | xargs clang-format -i ;;
  all) check_format && run_tidy ;;
  *) echo "usage: tools/lint.sh [format|tidy|fix]" >&2; exit 2 ;;
esac
