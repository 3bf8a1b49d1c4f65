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
  local unformatted=()
  while IFS= read -r file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
  done < <(cpp_files)
  if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'not formatted (run tools/lint.sh fix): %s\n' "${unformatted[@]}" >&2
    return 1
  fi
  echo "formatting: $(cpp_files | wc -l) files as .clang-format says"
}

# The release preset's compile commands, one per source file and without precompiled headers:
# clang-tidy reads each source with its own includes (the compiler's precompiled files are not
# clang's format), and the unity build's combined files are opened into the sources they include.
tidy_commands() {
  mkdir -p build/tidy
  python3 - build/release/compile_commands.json build/tidy/compile_commands.json <<'PYTHON'
import json, re, sys
commands = []
for entry in json.load(open(sys.argv[1])):
    command = re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", entry["command"])
    sources = [entry["file"]]
    if "/Unity/unity_" in entry["file"]:
        sources = re.findall(r'^#include "([^"]+)"', open(entry["file"]).read(), re.M)
    for source in sources:
        commands.append({"directory": entry["directory"], "file": source,
                         "command": command.replace(entry["file"], source)})
json.dump(commands, open(sys.argv[2], "w"))
PYTHON
}

run_tidy() {
  [ -f build/release/compile_commands.json ] || cmake --preset release >/dev/null
  tidy_commands
  local sources
  sources=$(git ls-files '*.cpp' | grep -E '^(model|processing|simulation|detect|imaging|app|views|panels|draw|platform|gui|cli|python)/')
  # One file per job on every core; each prints its findings, and any finding fails the run.
  echo "$sources" | xargs -P "$(nproc)" -n 1 clang-tidy -p build/tidy --quiet 2>/dev/null
  echo "clang-tidy: $(echo "$sources" | wc -l) sources clean"
}

case "$what" in
  format) check_format ;;
  tidy) run_tidy ;;
  fix) cpp_files | xargs clang-format -i ;;
  all) check_format && run_tidy ;;
  *) echo "usage: tools/lint.sh [format|tidy|fix]" >&2; exit 2 ;;
esac
