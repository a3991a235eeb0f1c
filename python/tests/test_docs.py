"""The worked example of docs/python.md runs as written, on a project made from the samples the
way the page says."""
import contextlib
import io
import os
import re
import unittest

from support import SOURCE_DIR, FolderTest


class DocsTest(FolderTest):
    def test_the_worked_example_runs(self):
        with open(os.path.join(SOURCE_DIR, "docs", "python.md")) as f:
            blocks = re.findall(r"```python\n(.*?)```", f.read(), re.S)
        self.assertEqual(len(blocks), 1)
        os.symlink(os.path.join(SOURCE_DIR, "samples"), self.path("samples"))
        printed = io.StringIO()
        here = os.getcwd()
        os.chdir(self.folder)
        try:
            with contextlib.redirect_stdout(printed):
                exec(compile(blocks[0], "docs/python.md", "exec"), {})
        finally:
            os.chdir(here)
        lines = printed.getvalue().splitlines()
        # What the comments of the example promise.
        self.assertEqual(lines[0], "RINEX observation ['VYRA'] True")
        self.assertEqual(lines[1], "RINEX observation ['VYRB'] True")
        self.assertEqual(lines[2], "['VYRA', 'VYRB']")
        self.assertEqual(lines[4], "2021-01-02T12:00:00.000 2021-01-02T12:05:30.000")
        self.assertIn("'time', 'sat', 'type', 'code'", lines[5])
        self.assertEqual(lines[-1], "0x80009002 Storage not found.")


if __name__ == "__main__":
    unittest.main()
