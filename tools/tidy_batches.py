#!/usr/bin/env python3
"""clang-tidy's work list for the production sources, and the names of its findings.

    tidy_batches.py jobs ROOT COMPILE_COMMANDS OUT PRODUCTION
        Writes OUT/compile_commands.json (the build's commands without precompiled headers, which
        are not clang's format, and a command for every source a unity file combines), writes the
        sources of each combined file that holds only production sources one after another into
        OUT/combined/ (each behind a #line naming it), and lists the jobs in OUT/jobs, one
        "WHAT FILE" a line: "combined FILE" for those files, "all SOURCE" for every production
        source built on its own or by no build at all. PRODUCTION lists the production sources,
        relative to ROOT, one a line.
    tidy_batches.py name COMBINED
        Copies standard input to standard output with each place "COMBINED:LINE:" renamed to the
        source and line it comes from (relative to the working directory).

clang-tidy reads a batch's shared headers (Qt, the command-line parser, pybind11) once, and the
static analyser, which looks only at the functions of the file it is given, sees every function of
the batch.
"""
import json
import os
import re
import sys

LINE_MARK = re.compile(r'#line 1 "(.*)"$')


def combined_name(root, out, unity):
    """The file a unity file's sources are written out into: its path in the build, as one word."""
    return os.path.join(root, out, "combined", "_".join(re.findall(r"\w+", os.path.relpath(unity, root))) + ".cpp")


def write_combined(name, sources):
    with open(name, "w") as batch:
        for source in sources:
            with open(source) as text:
                batch.write('#line 1 "%s"\n%s\n' % (source, text.read()))


def write_jobs(root, compile_commands, out, production_list):
    with open(production_list) as listed:
        production = set(listed.read().split())
    os.makedirs(os.path.join(out, "combined"), exist_ok=True)
    with open(compile_commands) as build:
        entries = json.load(build)
    commands, combined, covered = [], [], set()
    for entry in entries:
        entry["command"] = re.sub(r" -Winvalid-pch| -include \S*cmake_pch\.hxx", "", entry["command"])
        commands.append(entry)
        if "/Unity/unity_" not in entry["file"]:
            continue
        with open(entry["file"]) as unity:
            included = re.findall(r'^#include "([^"]+)"', unity.read(), re.M)
        commands += [dict(entry, file=s, command=entry["command"].replace(entry["file"], s)) for s in included]
        if not all(os.path.relpath(s, root) in production for s in included):
            continue
        name = combined_name(root, out, entry["file"])
        write_combined(name, included)
        commands.append(dict(entry, file=name, command=entry["command"].replace(entry["file"], name)))
        combined.append(name)
        covered.update(os.path.relpath(s, root) for s in included)
    with open(os.path.join(out, "compile_commands.json"), "w") as written:
        json.dump(commands, written)
    jobs = ["combined " + f for f in combined] + ["all " + s for s in sorted(production - covered)]
    with open(os.path.join(out, "jobs"), "w") as written:
        written.write("".join(job + "\n" for job in jobs))


def source_starts(combined):
    """(line of the #line mark, source) for each source of a combined file, lines counted from 1."""
    with open(combined) as text:
        return [(number, match.group(1)) for number, line in enumerate(text, 1)
                for match in [LINE_MARK.match(line.rstrip("\n"))] if match]


def name_sources(combined, lines):
    starts = source_starts(combined)
    place = re.compile(re.escape(combined) + r":(\d+):")

    def source_place(found):
        line = int(found.group(1))
        before = [(start, source) for start, source in starts if start < line]
        if not before:
            return found.group(0)
        start, source = before[-1]
        return "%s:%d:" % (os.path.relpath(source), line - start)

    for text in lines:
        yield place.sub(source_place, text)


def main(arguments):
    if len(arguments) == 5 and arguments[0] == "jobs":
        write_jobs(*arguments[1:])
        return 0
    if len(arguments) == 2 and arguments[0] == "name":
        sys.stdout.writelines(name_sources(arguments[1], sys.stdin))
        return 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
