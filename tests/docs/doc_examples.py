#!/usr/bin/env python3
"""Keeps docs/cli.md true to the program.

examples: runs every ```sh run block of the doc, in order, in one fresh folder (samples/ there
          links to the repository's samples), comparing each command's exit status and stdout
          with what the doc shows. The conventions are in the comment at the top of the doc.
coverage: every subcommand that `vyr --help` lists (and those nested below them) and every
          option of each `--help` appears in the doc, in a code text naming its command.

Usage: doc_examples.py examples|coverage --vyr PATH --doc PATH [--samples DIR]
"""
import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile

ANY_LINES = "..."
EXIT_MARK = re.compile(r"\s#\s*exit\s+(\d+)\s*$")
FENCE = re.compile(r"^(\s*)(```+|~~~+)(.*)$")
COMMAND_TIMEOUT_S = 120


class Command:
    def __init__(self, line_no, text):
        self.line_no = line_no
        self.text = text
        mark = EXIT_MARK.search(text)
        self.status = int(mark.group(1)) if mark else 0
        self.expected = []


def fenced_blocks(lines):
    """(first line number, info string, body lines) of every fenced block, numbers from 1."""
    blocks = []
    i = 0
    while i < len(lines):
        opening = FENCE.match(lines[i])
        if not opening:
            i += 1
            continue
        fence, info = opening.group(2), opening.group(3).strip()
        body = []
        j = i + 1
        while j < len(lines) and not lines[j].strip().startswith(fence):
            body.append(lines[j])
            j += 1
        blocks.append((i + 2, info, body))
        i = j + 1
    return blocks


def runnable_commands(lines):
    commands = []
    for first, info, body in fenced_blocks(lines):
        if info.split() != ["sh", "run"]:
            continue
        for offset, line in enumerate(body):
            if line.startswith("$ "):
                commands.append(Command(first + offset, line[2:]))
            elif commands and commands[-1].line_no >= first:
                commands[-1].expected.append(line)
            elif line.strip():
                raise SystemExit(f"doc line {first + offset}: output before any command: {line!r}")
    return commands


def lines_match(expected, actual):
    """Exact line by line; a line `...` stands for any number of lines, none included."""
    memo = {}

    def match(e, a):
        if (e, a) in memo:
            return memo[(e, a)]
        if e == len(expected):
            result = a == len(actual)
        elif expected[e] == ANY_LINES:
            result = any(match(e + 1, k) for k in range(a, len(actual) + 1))
        else:
            result = a < len(actual) and expected[e] == actual[a] and match(e + 1, a + 1)
        memo[(e, a)] = result
        return result

    return match(0, 0)


def session_environment(vyr):
    env = {
        "PATH": os.path.dirname(os.path.abspath(vyr)) + os.pathsep + "/usr/bin:/bin",
        "LC_ALL": "C",
        "TZ": "UTC",
        "COLUMNS": "80",
        "TERM": "dumb",
    }
    for passed in ("LD_LIBRARY_PATH", "ASAN_OPTIONS", "UBSAN_OPTIONS"):
        if passed in os.environ:
            env[passed] = os.environ[passed]
    return env


def run_examples(args):
    with open(args.doc, encoding="utf-8") as doc:
        lines = doc.read().splitlines()
    commands = runnable_commands(lines)
    if not commands:
        print(f"{args.doc}: no runnable examples (```sh run blocks)")
        return 1
    folder = tempfile.mkdtemp(prefix="vyr_doc_examples_")
    failures = 0
    try:
        os.symlink(os.path.abspath(args.samples), os.path.join(folder, "samples"))
        env = session_environment(args.vyr)
        env["HOME"] = folder
        for command in commands:
            where = f"{args.doc}:{command.line_no}: $ {command.text}"
            try:
                done = subprocess.run(["sh", "-c", command.text], cwd=folder, env=env,
                                      stdin=subprocess.DEVNULL, capture_output=True,
                                      timeout=COMMAND_TIMEOUT_S)
            except subprocess.TimeoutExpired:
                print(f"{where}\n  did not end within {COMMAND_TIMEOUT_S} s")
                failures += 1
                continue
            out = done.stdout.decode("utf-8", "replace").splitlines()
            problems = []
            if done.returncode != command.status:
                problems.append(f"  exit status {done.returncode}, the doc expects {command.status}")
            if command.expected and not lines_match(command.expected, out):
                diff = difflib.unified_diff(command.expected, out, "the doc", "the program",
                                            lineterm="")
                problems.append("  stdout differs:\n" + "\n".join("    " + d for d in diff))
            if problems:
                failures += 1
                print(where)
                print("\n".join(problems))
                err = done.stderr.decode("utf-8", "replace").rstrip()
                if err:
                    print("  stderr:\n" + "\n".join("    " + e for e in err.splitlines()))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    print(f"{len(commands)} example commands, {failures} failed")
    return 1 if failures else 0


SECTION = re.compile(r"^(\S.*):\s*$")
VYR_WORD = re.compile(r"(^|[\s$(])vyr(\s|$)")
OPTION_NAMES = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def help_sections(text):
    """Section title -> its indented lines, as CLI11 lays out --help."""
    sections, current = {}, None
    for line in text.splitlines():
        title = SECTION.match(line)
        if title:
            current = title.group(1).strip().lower()
            sections[current] = []
        elif current is not None and line.startswith(" "):
            sections[current].append(line)
    return sections


def command_tree(vyr, path=(), words=()):
    """(path, options) of the command at path and of every command below it. words are the
    arguments that reach it: a nested command comes after its parent's positionals (PROJECT
    STATION), which stand there as placeholders."""
    done = subprocess.run([vyr, *words, "--help"], capture_output=True, text=True,
                          stdin=subprocess.DEVNULL, timeout=COMMAND_TIMEOUT_S)
    if done.returncode != 0:
        raise SystemExit(f"vyr {' '.join(words)} --help: exit status {done.returncode}")
    sections = help_sections(done.stdout)
    options = []
    for line in sections.get("options", []):
        # Only the names: the first column, before the type and the description.
        names = line.strip().split()[0] if line.strip() else ""
        for name in OPTION_NAMES.findall(names.split("=")[0]):
            if name not in ("-h", "--help"):
                options.append(name)
    found = [(path, options)]
    placeholders = tuple(line.split()[0] for line in sections.get("positionals", [])
                         if "REQUIRED" in line.split())
    for line in sections.get("subcommands", []):
        name = line.split()[0] if line.startswith("  ") and not line.startswith("   ") else None
        if name == "vyr":  # a nested command is listed by its usage line: vyr WORDS NAME ...
            name = line.split()[1 + len(words) + len(placeholders)]
        if name:
            found.extend(command_tree(vyr, (*path, name), (*words, *placeholders, name)))
    return found


def doc_mentions(lines):
    """Every text of the doc that shows a command: code spans and code block lines."""
    mentions, in_block = [], False
    for line in lines:
        if FENCE.match(line):
            in_block = not in_block
            continue
        if in_block:
            mentions.append(line[2:] if line.startswith("$ ") else line)
        else:
            # `` ... `` spans may hold single backticks; plain spans may not.
            mentions.extend(re.findall(r"``\s?(.+?)\s?``|`([^`]+)`", line))
    flat = []
    for m in mentions:
        flat.extend([m] if isinstance(m, str) else [part for part in m if part])
    return [m for m in flat if VYR_WORD.search(m)]


def names_command(mention, path):
    """Whether the mention runs the command at path: its first word right after `vyr`, the nested
    ones in order after it (PROJECT STATION may stand between)."""
    words = re.split(r"[\s|\[\]]+", mention[VYR_WORD.search(mention).end():].strip())
    if path and words[0] != path[0]:
        return False
    position = 0
    for word in path:
        try:
            position = words.index(word, position) + 1
        except ValueError:
            return False
    return True


def run_coverage(args):
    with open(args.doc, encoding="utf-8") as doc:
        mentions = doc_mentions(doc.read().splitlines())
    missing = []
    commands = command_tree(args.vyr)
    for path, options in commands:
        naming = [m for m in mentions if names_command(m, path)]
        command = " ".join(("vyr",) + path)
        if not naming:
            missing.append(f"the command `{command}`")
            continue
        for option in options:
            if not any(re.search(r"(?<![\w-])" + re.escape(option) + r"(?![\w-])", m)
                       for m in naming):
                missing.append(f"the option {option} of `{command}`")
    for what in missing:
        print(f"{args.doc}: does not show {what}")
    print(f"{len(commands)} commands checked, {len(missing)} missing from {args.doc}")
    return 1 if missing else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("check", choices=["examples", "coverage"])
    parser.add_argument("--vyr", required=True, help="the built command")
    parser.add_argument("--doc", required=True, help="docs/cli.md")
    parser.add_argument("--samples", help="the repository's samples folder")
    args = parser.parse_args()
    if args.check == "examples":
        if not args.samples:
            parser.error("examples needs --samples")
        return run_examples(args)
    return run_coverage(args)


if __name__ == "__main__":
    sys.exit(main())
