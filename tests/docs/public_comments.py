#!/usr/bin/env python3
"""Fails when a public operation in include/vyr/ has no comment directly above it, or a comment
gives a result code as a number rather than by its VYR_E_* name.

A public operation is a pure virtual function (`... = 0;`) or a declaration carrying VYR_API
(free functions, exported members and exported classes). It passes when the line above it is a
`//` comment, or when it directly follows another declaration of the same name that passes (an
overload group sharing one comment).
"""
import argparse
import os
import re
import sys

NAME = re.compile(r"(operator\s*\S+?|~?\w+)\s*\(")
CLASS = re.compile(r"\b(?:class|struct)\s+VYR_API\s+(\w+)")
RAW_CODE = re.compile(r"//.*\b(0x8000[0-9A-Fa-f]{4})\b")


class Declaration:
    def __init__(self, first, last, name):
        self.first = first  # 0-based index of the line the declaration starts on
        self.last = last  # index of the line holding its end
        self.name = name


def _is_start(stripped):
    if stripped.startswith("#") or stripped.startswith("//"):
        return False
    return stripped.startswith("virtual ") or re.search(r"\bVYR_API\b", stripped) is not None


def declarations(lines):
    """The public operations of a header, in order."""
    found = []
    i = 0
    while i < len(lines):
        stripped = lines[i].strip()
        if not _is_start(stripped):
            i += 1
            continue
        cls = CLASS.search(stripped)
        if cls:
            found.append(Declaration(i, i, cls.group(1)))
            i += 1
            continue
        # A declaration ends at its ';' or at the body of an inline definition.
        last = i
        text = stripped
        while not re.search(r"[;{]", text) and last + 1 < len(lines):
            last += 1
            text += " " + lines[last].strip()
        pure = re.search(r"=\s*0\s*;", text) is not None
        if pure or "VYR_API" in text:
            head = text.split("(", 1)[0] + "("
            match = None
            for match in NAME.finditer(head):
                pass
            found.append(Declaration(i, last, match.group(1) if match else text))
        i = last + 1
    return found


def uncommented(lines):
    """Declarations with neither a comment above nor a commented overload directly above."""
    missing = []
    passed = {}  # last line index of a passing declaration -> its name
    for decl in declarations(lines):
        above = decl.first - 1
        ok = above >= 0 and lines[above].strip().startswith("//")
        if not ok and passed.get(above) == decl.name:
            ok = True
        if ok:
            passed[decl.last] = decl.name
        else:
            missing.append(decl)
    return missing


def check(directory):
    problems = []
    for name in sorted(os.listdir(directory)):
        if not name.endswith(".h"):
            continue
        path = os.path.join(directory, name)
        with open(path, encoding="utf-8") as handle:
            lines = handle.read().splitlines()
        for decl in uncommented(lines):
            problems.append(f"{path}:{decl.first + 1}: {decl.name} has no comment")
        for number, line in enumerate(lines, 1):
            raw = RAW_CODE.search(line)
            if raw:
                problems.append(f"{path}:{number}: {raw.group(1)} is a result code by number: "
                                "name it (VYR_E_...)")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("directory", help="the public header folder, include/vyr")
    args = parser.parse_args()
    if not os.path.isdir(args.directory):
        print(f"{args.directory}: not a folder", file=sys.stderr)
        return 2
    problems = check(args.directory)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} public operations without a comment or with a code by number",
              file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
