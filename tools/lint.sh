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

# The work list of clang-tidy in build/tidy (tools/tidy_batches.py says what it holds): every check
# on the sources of each of the unity build's combined files written out one after another, and on
# each production source built on its own or by no build at all.
tidy_commands() {
  mkdir -p build/tidy
  rm -rf build/tidy/combined
  git ls-files '*.cpp' | grep -E "$PRODUCTION" >build/tidy/production
  python3 tools/tidy_batches.py jobs "$PWD" build/release/compile_commands.json build/tidy build/tidy/production
}

# One job of build/tidy/jobs with the repository's .clang-tidy (the combined files lie inside the
# repository, so it is found from them too). The static analyser follows calls a few levels deep
# only (its shallow mode): the deep mode spent half of the run walking paths through the
# command-line parser's and Qt's inline code.
tidy_job() {
  local findings
  findings=$(clang-tidy -p build/tidy --quiet --extra-arg=-Xclang --extra-arg=-analyzer-config \
    --extra-arg=-Xclang --extra-arg=mode=shallow "$2" 2>/dev/null) && return 0
  if [ "$1" = combined ]; then python3 tools/tidy_batches.py name "$2" <<<"$findings"; else echo "$findings"; fi
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
