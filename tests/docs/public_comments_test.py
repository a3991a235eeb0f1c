#!/usr/bin/env python3
"""The public-comment check's reading of headers: what passes, what is named, and where."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import public_comments as pc  # noqa: E402


def named(text):
    lines = text.splitlines()
    return [(d.first + 1, d.name) for d in pc.uncommented(lines)]


class Uncommented(unittest.TestCase):
    def test_table(self):
        cases = [
            # header text, (line, name) of each operation named
            ("class I {\npublic:\n    virtual VYR_ERROR Get(int& v) = 0;\n};", [(3, "Get")]),
            ("    // Reads v.\n    virtual VYR_ERROR Get(int& v) = 0;", []),
            # a blank line parts the comment from its operation
            ("    // Reads v.\n\n    virtual VYR_ERROR Get(int& v) = 0;", [(3, "Get")]),
            # split over lines: named by its first line, passes by the line above it
            ("    virtual VYR_ERROR Get(\n        int& v) = 0;", [(1, "Get")]),
            ("    // Reads.\n    virtual VYR_ERROR Get(\n        int& v) = 0;", []),
            # an impure virtual or a destructor is no operation
            ("    virtual ~I() = default;\n    virtual int Size() const;", []),
            # an overload group shares the comment above its first member
            ("// Text.\nVYR_API void T(int a);\nVYR_API void T(\n    long a);", []),
            # a different name after a commented operation needs its own comment
            ("// Text.\nVYR_API void T(int a);\nVYR_API void U(int a);", [(3, "U")]),
            # the group is broken by an uncommented first member
            ("VYR_API void T(int a);\nVYR_API void T(long a);", [(1, "T"), (2, "T")]),
            ("class VYR_API CStore {\n};", [(1, "CStore")]),
            ("// One per process.\nclass VYR_API CStore {\n};", []),
            ("    VYR_API bool operator==(const K& o) const;", [(1, "operator==")]),
            ("    VYR_API explicit K(const L& l);", [(1, "K")]),
            ("#define VYR_API __attribute__((visibility(\"default\")))", []),
            ("// VYR_API marks what is exported.", []),
            ("inline bool Ok(int c) { return c >= 0; }", []),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(named(text), expected)


class Headers(unittest.TestCase):
    def test_names_file_and_line(self):
        import tempfile

        with tempfile.TemporaryDirectory() as folder:
            with open(os.path.join(folder, "a.h"), "w", encoding="utf-8") as handle:
                handle.write("// A.\n#pragma once\nclass I {\n    virtual void Release() = 0;\n};\n")
            with open(os.path.join(folder, "b.h"), "w", encoding="utf-8") as handle:
                handle.write("// B.\nVYR_API void F();\n\nVYR_API void G();\n"
                             "// 0x80008001 when v is 0 (high word 0x8000).\nVYR_API void H(int v);\n")
            problems = sorted(pc.check(folder))
        b = os.path.join(folder, "b.h")
        self.assertEqual(problems, [os.path.join(folder, "a.h") + ":4: Release has no comment",
                                    b + ":4: G has no comment",
                                    b + ":5: 0x80008001 is a result code by number: name it "
                                    "(VYR_E_...)"])


if __name__ == "__main__":
    unittest.main()
