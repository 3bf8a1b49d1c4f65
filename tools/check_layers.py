#!/usr/bin/env python3
"""Checks the #include lines of a source tree against the layer rules (tools/layers.txt).

    check_layers.py [--strict] ROOT RULES

Reads every C++ source and header under ROOT and prints each include that a rule forbids, as
FILE:LINE with the rules it breaks. A rule names folders (everything under them) or single files.
Exit status: 0 when no include breaks a rule, 1 when one does, 2 when the rules cannot be read (or,
with --strict, name a folder or file that ROOT does not have).

A quoted include is looked up beside the including file first, then from ROOT, as the compiler
does with the project root as include directory; an include in angle brackets from ROOT only.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hh", ".hpp", ".hxx", ".inl", ".ipp", ".tpp", ".c", ".cc", ".cpp", ".cxx")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Qt[A-Za-z0-9_]*(/.*)?|Q[A-Z][A-Za-z0-9_]*(\.h)?)$")
QT = "Qt"


class RulesError(Exception):
    pass


def is_under(path, folder):
    return folder == "*" or path == folder or path.startswith(folder + "/")


class Rule:
    def __init__(self, text, line, sources, excluded, targets):
        self.text, self.line = text, line
        self.sources, self.excluded, self.targets = sources, excluded, targets

    def applies_to(self, path):
        return any(is_under(path, f) for f in self.sources) and not any(
            is_under(path, f) for f in self.excluded)

    def forbids(self, target):
        return any(target == t if t == QT else target != QT and is_under(target, t) for t in self.targets)

    def folders(self):
        return [f for f in self.sources + self.excluded + self.targets if f not in ("*", QT)]


def clean_folder(name, where):
    folder = os.path.normpath(name).replace(os.sep, "/")
    if folder.startswith("..") or os.path.isabs(folder) or folder == ".":
        raise RulesError(f"{where}: {name!r} is not a folder of the tree")
    return folder


def read_rules(path):
    rules, skipped = [], []
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            text = raw.split("#", 1)[0].strip()
            where = f"{path}:{number}"
            if not text:
                continue
            words = text.split()
            if words[0] == "skip":
                skipped += [clean_folder(w, where) for w in words[1:]]
                continue
            left, colon, right = text.partition(":")
            if not colon or not left.split() or not right.split() or ":" in right:
                raise RulesError(f"{where}: expected 'FROM... : TO...', got {text!r}")
            sources, excluded = [], []
            for word in left.split():
                if word == "*":
                    sources.append(word)
                elif word.startswith("-"):
                    excluded.append(clean_folder(word[1:], where))
                else:
                    sources.append(clean_folder(word, where))
            if not sources:
                raise RulesError(f"{where}: no folder to check in {text!r}")
            targets = [w if w == QT else clean_folder(w, where) for w in right.split()]
            rules.append(Rule(text, number, sources, excluded, targets))
    return rules, skipped


def source_files(root, skipped):
    for folder, dirs, files in os.walk(root):
        relative = os.path.relpath(folder, root).replace(os.sep, "/")
        relative = "" if relative == "." else relative + "/"
        # Hidden folders, build trees and the skipped folders are left out.
        dirs[:] = sorted(
            d for d in dirs
            if not d.startswith(".")
            and not os.path.exists(os.path.join(folder, d, "CMakeCache.txt"))
            and not any(is_under(relative + d, s) for s in skipped))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield relative + name


def include_target(root, including, bracket, name):
    """What an include reaches: "Qt", a path relative to root, or None outside the tree."""
    if QT_HEADER.match(name):
        return QT
    candidates = [name]
    if bracket == '"':
        beside = os.path.join(os.path.dirname(including), name)
        # An explicitly relative path means the including file's folder even if the file is missing.
        if name.startswith(("./", "../")) or os.path.isfile(os.path.join(root, beside)):
            candidates = [beside]
    target = os.path.normpath(candidates[0]).replace(os.sep, "/")
    if target.startswith("../") or target == ".." or os.path.isabs(target):
        return None
    return target


def check(root, rules, skipped):
    broken = []
    for path in source_files(root, skipped):
        applying = [r for r in rules if r.applies_to(path)]
        if not applying:
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                bracket, name = match.groups()
                target = include_target(root, path, bracket, name)
                if target is None:
                    continue
                breaking = [r for r in applying if r.forbids(target)]
                if breaking:
                    shown = f"<{name}>" if bracket == "<" else f'"{name}"'
                    rules_text = "; ".join(f"'{r.text}' (line {r.line})" for r in breaking)
                    broken.append(f"{path}:{number}: includes {shown}, forbidden by {rules_text}")
    return broken


def main(argv):
    strict = "--strict" in argv
    args = [a for a in argv if a != "--strict"]
    if len(args) != 2:
        print("usage: check_layers.py [--strict] ROOT RULES", file=sys.stderr)
        return 2
    root, rules_path = args
    try:
        rules, skipped = read_rules(rules_path)
        if not rules:
            raise RulesError(f"{rules_path}: no rules")
        if strict:
            named = {f for r in rules for f in r.folders()}
            missing = sorted(f for f in named if not os.path.exists(os.path.join(root, f)))
            if missing:
                raise RulesError(f"{rules_path}: folders or files not in {root}: {' '.join(missing)}")
    except (OSError, RulesError) as error:
        print(f"check_layers: {error}", file=sys.stderr)
        return 2
    if not os.path.isdir(root):
        print(f"check_layers: {root} is not a folder", file=sys.stderr)
        return 2
    try:
        broken = check(root, rules, skipped)
    except OSError as error:
        print(f"check_layers: {error}", file=sys.stderr)
        return 2
    for line in broken:
        print(line)
    if broken:
        print(f"{len(broken)} include(s) break the layer rules of {rules_path}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
