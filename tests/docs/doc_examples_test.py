#!/usr/bin/env python3
"""The doc-examples checker's own reading of a doc and of --help, without the command."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import doc_examples as de  # noqa: E402


class LinesMatch(unittest.TestCase):
    def test_table(self):
        cases = [
            # expected, actual, match
            (["a", "b"], ["a", "b"], True),
            (["a", "b"], ["a", "b", "c"], False),
            (["a", "b", "c"], ["a", "b"], False),
            (["a", "b"], ["a", "B"], False),
            (["a "], ["a"], False),
            (["..."], [], True),
            (["..."], ["x", "y"], True),
            (["a", "...", "z"], ["a", "z"], True),
            (["a", "...", "z"], ["a", "b", "c", "z"], True),
            (["a", "...", "z"], ["a", "b", "c"], False),
            (["...", "z"], ["z", "q", "z"], True),
            (["...", "b", "..."], ["a", "c"], False),
        ]
        for expected, actual, match in cases:
            with self.subTest(expected=expected, actual=actual):
                self.assertEqual(de.lines_match(expected, actual), match)


class RunnableCommands(unittest.TestCase):
    DOC = [
        "text",                   # 1
        "```sh run",              # 2
        "$ vyr create p.vyr",     # 3
        "$ vyr show p.vyr status",  # 4
        "status\t0",              # 5
        "```",                    # 6
        "```sh",                  # 7
        "$ vyr not run",          # 8
        "```",                    # 9
        "```sh run",              # 10
        "$ vyr info q.vyr 2>&1  # exit 1",  # 11
        "vyr: q.vyr: does not exist",  # 12
        "```",                    # 13
    ]

    def test_commands_their_lines_output_and_status(self):
        got = [(c.line_no, c.text, c.expected, c.status)
               for c in de.runnable_commands(self.DOC)]
        self.assertEqual(got, [
            (3, "vyr create p.vyr", [], 0),
            (4, "vyr show p.vyr status", ["status\t0"], 0),
            (11, "vyr info q.vyr 2>&1  # exit 1", ["vyr: q.vyr: does not exist"], 1),
        ])

    def test_output_before_a_command_is_refused(self):
        with self.assertRaises(SystemExit):
            de.runnable_commands(["```sh run", "stray", "$ vyr x", "```"])


class Coverage(unittest.TestCase):
    HELP = "\n".join([
        "Usage: vyr windows [OPTIONS] PROJECT STATION SUBCOMMAND",
        "",
        "Positionals:",
        "  PROJECT TEXT REQUIRED       Project file",
        "Options:",
        "  -h,--help                   Print this help message and exit",
        "  -o,--output TEXT            Folder, e.g. --not-an-option",
        "  --json                      Print JSON",
        "Subcommands:",
        "  add                         Add a window",
        "  list                        Show the windows",
    ])

    def test_help_sections(self):
        sections = de.help_sections(self.HELP)
        self.assertEqual([line.split()[0] for line in sections["subcommands"]], ["add", "list"])
        self.assertEqual(len(sections["options"]), 3)

    def test_mentions_and_the_commands_they_name(self):
        doc = [
            "| `vyr windows PROJECT STATION add FROM TO [--sat G05]` | adds |",
            "Not a command: `p.vyr`, ``a `vyr x` span``.",
            "```sh run",
            "$ vyr cfb ls p.vyr",
            "```",
        ]
        mentions = de.doc_mentions(doc)
        self.assertIn("vyr cfb ls p.vyr", mentions)
        self.assertNotIn("p.vyr", mentions)
        cases = [
            ("vyr windows PROJECT STATION add FROM TO", ("windows", "add"), True),
            ("vyr windows PROJECT STATION add FROM TO", ("windows", "list"), False),
            ("vyr windows PROJECT STATION add FROM TO", ("add", "windows"), False),
            ("vyr cfb ls p.vyr", ("cfb", "ls"), True),
            ("vyr cfb ls p.vyr", ("ls",), False),
            ("vyr p.vyr info", (), True),
        ]
        for mention, path, names in cases:
            with self.subTest(mention=mention, path=path):
                self.assertEqual(de.names_command(mention, path), names)


if __name__ == "__main__":
    unittest.main()
