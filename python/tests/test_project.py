"""Creating, opening and closing projects; the stations mapping against `vyr info`; errors with
the library's codes; use after close."""
import pathlib
import threading
import unittest

import numpy as np
import vyr

from support import SAMPLE_FILES, FolderTest, cli, cli_csv, cli_json


class ProjectTest(FolderTest):
    def test_create_makes_a_project_the_command_reads_and_never_replaces_one(self):
        path = self.path("new.vyr")
        with vyr.create(path) as project:
            self.assertTrue(project.writable)
            self.assertEqual(project.stations, {})
        self.assertEqual(cli_json("info", path)["stations"], [])
        before = open(path, "rb").read()
        with self.assertRaises(vyr.Error) as raised:
            vyr.create(path)
        self.assertEqual(raised.exception.code, vyr.E_STORAGE_NOT_CREATED)
        self.assertIn(path, str(raised.exception))
        self.assertEqual(open(path, "rb").read(), before)

    def test_import_files_gives_what_vyr_import_gives_and_each_file_is_all_or_nothing(self):
        broken = self.path("broken.21o")
        with open(SAMPLE_FILES[0]) as f:
            lines = f.read().splitlines(keepends=True)
        with open(broken, "w") as f:  # a header only: no epochs to import
            f.writelines(lines[:lines.index(next(l for l in lines if "END OF HEADER" in l)) + 1])
        path = self.path("imported.vyr")
        calls = []
        with vyr.create(path) as project:
            with self.assertRaises(vyr.Error) as raised:
                project.import_files([SAMPLE_FILES[0], broken, SAMPLE_FILES[1]],
                                     progress=lambda *a: calls.append(a))
            reports = raised.exception.reports
            self.assertEqual([r["problem"] is None for r in reports], [True, False, True])
            self.assertIn(broken, str(raised.exception))
            self.assertEqual(reports[0]["sites"][0]["key"], "VYRA")
            self.assertEqual(sorted(project.stations), ["VYRA", "VYRB"])
            again = project.import_files([SAMPLE_FILES[0]])
            self.assertTrue(again[0]["sites"][0]["already_present"])
            self.assertFalse(again[0]["added"])
        self.assertEqual(cli_csv("obs", path, "VYRB", "--csv"),
                         cli_csv("obs", self.sample_project(), "VYRB", "--csv"))
        # Progress ends each observation file with every line read.
        self.assertTrue(any(c[2] == c[3] and c[3] > 0 for c in calls))
        with vyr.open(path) as project:
            with self.assertRaises(vyr.Error) as raised:
                project.import_files([SAMPLE_FILES[0]])
            self.assertEqual(raised.exception.code, vyr.E_INVALID_OPEN_MODE)

    def test_failed_opens_carry_the_library_code_and_name_the_file(self):
        not_a_project = self.path("text.vyr")
        with open(not_a_project, "w") as f:
            f.write("no compound document\n")
        cases = [  # path, words in the message
            (self.path("missing.vyr"), "does not exist"),
            (self.folder, "is a folder"),
            (not_a_project, "Storage not found"),
        ]
        for path, words in cases:
            for write in (False, True):
                with self.subTest(path=path, write=write):
                    with self.assertRaises(vyr.Error) as raised:
                        vyr.open(path, write=write)
                    error = raised.exception
                    self.assertEqual(error.code, vyr.E_STORAGE_NOT_FOUND)
                    self.assertEqual(error.text, "Storage not found.")
                    self.assertIn(path, str(error))
                    self.assertIn(words, str(error))
                    self.assertIsInstance(error, Exception)

    def test_a_closed_project_and_what_it_handed_out_raise(self):
        project_path = self.sample_project()
        cli("assoc", project_path, "add", "VYRA", "--reference", "VYRB")
        with vyr.open(project_path) as project:
            station = project.stations["VYRA"]
            assoc = next(iter(project.associations.values()))
            common = project.common
        self.assertTrue(project.closed)
        uses = {
            "stations": lambda: project.stations,
            "associations": lambda: project.associations,
            "common": lambda: project.common,
            "counts": lambda: common.counts,
            "epochs": lambda: station.epochs,
            "receiver": lambda: station.receiver,
            "observations": lambda: station.observations(),
            "windows": lambda: station.windows,
            "export": lambda: station.export_rinex(self.folder),
            "residuals": lambda: assoc.residuals(vyr.ResidualType.L1_CODE),
            "rover": lambda: assoc.rover,
        }
        for name, use in uses.items():
            with self.subTest(use=name):
                with self.assertRaises(vyr.Error) as raised:
                    use()
                self.assertEqual(raised.exception.code, 0x80008002)
                self.assertIn("closed", str(raised.exception))
        project.close()  # a second close is harmless
        # Closed means the file is free for a writer at once.
        with vyr.open(project_path, write=True) as writer:
            self.assertEqual(list(writer.stations), ["VYRA", "VYRB"])

    def test_readers_share_the_project_and_keep_writers_out(self):
        path = self.sample_project()
        with vyr.open(path) as first, vyr.open(pathlib.Path(path)) as second:
            self.assertEqual(first.stations["VYRA"].epochs, second.stations["VYRA"].epochs)
            with self.assertRaises(vyr.Error) as raised:
                vyr.open(path, write=True)
            self.assertIn("in use", str(raised.exception))
            self.assertNotEqual(cli("info", path), "")  # the command reads beside them
        with vyr.open(path, write=True):
            for write in (False, True):
                with self.assertRaises(vyr.Error) as raised:
                    vyr.open(path, write=write)
                self.assertEqual(raised.exception.code, vyr.E_STORAGE_NOT_FOUND)
                self.assertIn("in use", str(raised.exception))

    def test_stations_hold_what_vyr_info_tells(self):
        path = self.sample_project()
        info = cli_json("info", path)["stations"]
        with vyr.open(path) as project:
            stations = project.stations
            self.assertEqual(list(stations), [s["key"] for s in info])
            for expected in info:
                with self.subTest(station=expected["key"]):
                    station = stations[expected["key"]]
                    self.assertEqual(station.key, expected["key"])
                    self.assertEqual(station.receiver, expected["receiver"]["type"])
                    self.assertEqual(station.antenna, expected["antenna"]["type"])
                    self.assertEqual(station.epochs, expected["epochs"])
                    self.assertEqual(station.first, np.datetime64(expected["first"], "ms"))
                    self.assertEqual(station.last, np.datetime64(expected["last"], "ms"))
                    self.assertEqual(sorted(station.systems), sorted(expected["systems"]))

    def test_close_waits_for_a_read_on_another_thread(self):
        path = self.sample_project()
        project = vyr.open(path)
        station = project.stations["VYRB"]
        outcomes = []

        def read():
            for _ in range(100000):
                try:
                    outcomes.append(len(station.observations()))
                except vyr.Error as error:
                    outcomes.append(error.code)
                    return

        reader = threading.Thread(target=read)
        reader.start()
        project.close()
        reader.join()
        # Every read before the close completed whole; the first after it met the closed project.
        full = len(cli("obs", path, "VYRB", "--csv").splitlines()) - 1
        self.assertEqual(outcomes[-1], 0x80008002)
        self.assertEqual(set(outcomes[:-1]) - {full}, set())


if __name__ == "__main__":
    unittest.main()
