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
# with its own includes; the compiler's precompiled files are not clang's format), and the jobs of a
# run in build/tidy/jobs, one "WHAT FILE" a line, the longest first:
#   combined FILE  every check on the sources of one of the unity build's combined files, written
#                  out one after another into build/tidy/combined/ (each behind a #line naming it),
#                  so the large headers a batch shares (Qt, the command-line parser, pybind11) are
#                  read once a batch, and the static analyser, which looks only at the functions of
#                  the file it is given, sees every function of the batch;
#   all SOURCE     every check on a production source built on its own or by no build at all.
tidy_commands() {
  mkdir -p build/tidy
  rm -rf build/tidy/combined
  git ls-files '*.cpp' | grep -E "$PRODUCTION" >build/tidy/production
  python3 - "$PWD" build/release/compile_commands.json build/tidy <<'PYTHON'
import json, os, re, sys
root, source, out = sys.argv[1:4]
production = set(open(os.path.join(out, "production")).read().split())
os.makedirs(os.path.join(out, "combined"))
commands, combined, covered = [], [], set()
for entry in json.load(open(source)):
    entry["command"] = re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", entry["command"])
    commands.append(entry)
    if "/Unity/unity_" not in entry["file"]:
        continue
    included = re.findall(r'^#include "([^"]+)"', open(entry["file"]).read(), re.M)
    commands += [dict(entry, file=s, command=entry["command"].replace(entry["file"], s)) for s in included]
    sources = [os.path.relpath(s, root) for s in included]
    if not all(s in production for s in sources):
        continue
    name = os.path.join(root, out, "combined", "_".join(re.findall(r"\w+", os.path.relpath(entry["file"], root))) + ".cpp")
    with open(name, "w") as batch:
        for s in included:
            batch.write('#line 1 "%s"\n%s\n' % (s, open(s).read()))
    commands.append(dict(entry, file=name, command=entry["command"].replace(entry["file"], name)))
    combined.append(name)
    covered.update(sources)
json.dump(commands, open(os.path.join(out, "compile_commands.json"), "w"))
jobs = ["combined " + f for f in combined] + ["all " + s for s in sorted(production - covered)]
open(os.path.join(out, "jobs"), "w").write("".join(j + "\n" for j in jobs))
PYTHON
}

# Rewrites the places clang-tidy names in a combined file (standard input to standard output)
# into the source and line they come from.
name_sources() {
  python3 -c '
import os, re, sys
combined = sys.argv[1]
starts = [(number, match.group(1)) for number, line in enumerate(open(combined), 1)
          for match in [re.match(r"#line 1 \"(.*)\"$", line)] if match]
def source_place(found):
    line = int(found.group(1))
    start, name = max(((s, n) for s, n in starts if s < line), default=(0, combined))
    return "%s:%d:" % (os.path.relpath(name), line - start) if start else found.group(0)
place = re.compile(re.escape(combined) + r":(\d+):")
for text in sys.stdin:
    sys.stdout.write(place.sub(source_place, text))
' "$1"
}
export -f name_sources

# One job of build/tidy/jobs with the repository's .clang-tidy (the combined files lie inside the
# repository, so it is found from them too). The static analyser follows calls a few levels deep
# only (its shallow mode): the deep mode spent half of the run walking paths through the
# command-line parser's and Qt's inline code.
tidy_job() {
  local findings
  findings=$(clang-tidy -p build/tidy --quiet --extra-arg=-Xclang --extra-arg=-analyzer-config \
    --extra-arg=-Xclang --extra-arg=mode=shallow "$2" 2>/dev/null) && return 0
  if [ "$1" = combined ]; then name_sources "$2" <<<"$findings"; else echo "$findings"; fi
  return 1
}
export -f tidy_job

run_tidy() {
  [ -f build/release/compile_commands.json ] || cmake --preset release >/dev/null
  tidy_commands
  # One job per core at a time; each prints its findings, and any finding fails the run.
  xargs -P "$(nproc)" -L 1 bash -c 'tidy_job "$0" "$1"' <build/tidy/jobs
  echo "clang-tidy: $(wc -l <build/tidy/production) sources clean" \
    "($(grep -c '^combined' build/tidy/jobs) combined files)"
}

case "$what" in
  format) check_format ;;
  tidy) run_tidy ;;
  fix) cpp_files | xargs clang-format -i ;;
  all) check_format && run_tidy ;;
  *) echo "usage: tools/lint.sh [format|tidy|fix]" >&2; exit 2 ;;
esac
