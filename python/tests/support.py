"""What the Python tests share: the `vyr` command to make projects and to read them the way a
user does, the bundled samples, and a fresh folder per test."""
import csv
import io
import json
import os
import shutil
import subprocess
import tempfile
import unittest

SOURCE_DIR = os.environ.get("VYR_SOURCE_DIR",
                            os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
SAMPLES = os.path.join(SOURCE_DIR, "samples")
SAMPLE_FILES = [os.path.join(SAMPLES, "vyra0020.21o"),
                os.path.join(SAMPLES, "VYRB00XXX_R_20210021200_06M_30S_MO.rnx")]
CORPUS = os.path.join(SOURCE_DIR, "..", "shared", "corpus")


def cli(*args, check=True):
    """Runs the `vyr` command; its standard output."""
    done = subprocess.run([os.environ["VYR_CLI"], *args], capture_output=True, text=True)
    if check and done.returncode != 0:
        raise AssertionError(f"vyr {' '.join(args)} failed: {done.stderr}")
    return done.stdout


def cli_json(*args):
    return json.loads(cli(*args, "--json"))


def cli_csv(*args):
    return list(csv.DictReader(io.StringIO(cli(*args))))


def corpus_file(relative):
    """A corpus file, or a skip naming it (a failure under CI)."""
    path = os.path.join(CORPUS, relative)
    if not os.path.exists(path):
        if os.environ.get("CI") == "true":
            raise AssertionError(f"{path} is missing; CI needs ../shared/corpus")
        raise unittest.SkipTest(f"{path} is absent (../shared/corpus)")
    return path


class FolderTest(unittest.TestCase):
    """A test with a fresh folder, and the samples imported into self.project when asked."""

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="vyr-python-")
        self.addCleanup(shutil.rmtree, self.folder, ignore_errors=True)

    def path(self, name):
        return os.path.join(self.folder, name)

    def sample_project(self, *extra_files):
        project = self.path("p.vyr")
        cli("import", project, *SAMPLE_FILES, *extra_files)
        return project
