"""station.observations() against the rows `vyr obs --csv` prints for the same station and the
same filter; bad arguments; the exclusion windows; the RINEX export read back."""
import math
import os
import pathlib
import unittest

import numpy as np
import vyr

from support import FolderTest, cli, cli_csv


def assert_same_rows(test, array, rows):
    """The array holds exactly the command's rows, value for value."""
    test.assertEqual(len(array), len(rows))
    times = np.datetime_as_string(array["time"], unit="ms")
    for i, (got, expected) in enumerate(zip(array, rows)):
        test.assertEqual(times[i], expected["time"], f"row {i}")
        test.assertEqual(got["sat"], expected["sat"], f"row {i}")
        test.assertEqual(int(got["type"]), int(expected["type"]), f"row {i}")
        for column in ("code", "phase", "doppler"):
            value = float(got[column])
            if expected[column] == "":
                test.assertTrue(math.isnan(value), f"row {i} {column}: {value}")
            else:
                test.assertEqual(f"{value:.3f}", expected[column], f"row {i} {column}")
        test.assertEqual(int(got["quality"]), int(expected["quality"]), f"row {i}")
        test.assertEqual(int(got["flags"]), int(expected["flags"], 16), f"row {i}")


class ObservationsTest(FolderTest):
    def setUp(self):
        super().setUp()
        self.project_path = self.sample_project()

    def test_every_signal_of_each_station_as_the_command_prints_it(self):
        with vyr.open(self.project_path) as project:
            for key, station in project.stations.items():
                with self.subTest(station=key):
                    array = station.observations()
                    self.assertEqual(array.dtype["time"], np.dtype("M8[ms]"))
                    assert_same_rows(self, array, cli_csv("obs", self.project_path, key, "--csv"))
                    # Not-observed values are NaN, and the sample has some of each kind.
                    self.assertTrue(np.isnan(array["doppler"]).any() or key == "VYRA")

    def test_filters_keep_what_the_command_keeps(self):
        cases = [  # station, keyword arguments, the command's options
            ("VYRB", dict(start="2021-01-02T12:01:00", end="2021-01-02T12:03:30"),
             ["--from", "2021-01-02T12:01:00", "--to", "2021-01-02T12:03:30"]),
            ("VYRB", dict(start=np.datetime64("2021-01-02T12:04")),
             ["--from", "2021-01-02T12:04"]),
            ("VYRA", dict(end="2021-01-02T12:02:00"), ["--to", "2021-01-02T12:02:00"]),
            ("VYRA", dict(interval=60), ["--interval", "60"]),
            ("VYRA", dict(interval=120.0, start="2021-01-02T12:01:00"),
             ["--interval", "120", "--from", "2021-01-02T12:01:00"]),
            ("VYRB", dict(exclude_systems="RE"), ["--exclude-system", "R,E"]),
            ("VYRB", dict(exclude_systems=["G"]), ["--exclude-system", "G"]),
            ("VYRB", dict(repair_clock_jumps=True), ["--repair-clock-jumps"]),
        ]
        with vyr.open(self.project_path) as project:
            for key, arguments, options in cases:
                with self.subTest(station=key, arguments=arguments):
                    array = project.stations[key].observations(**arguments)
                    rows = cli_csv("obs", self.project_path, key, "--csv", *options)
                    self.assertGreater(len(rows), 0)
                    assert_same_rows(self, array, rows)

    def test_windows_are_listed_and_applied_as_the_command_applies_them(self):
        cli("windows", self.project_path, "VYRA", "add", "2021-01-02T12:02:00",
            "2021-01-02T12:03:00")
        cli("windows", self.project_path, "VYRA", "add", "2021-01-02T12:05:00",
            "2021-01-02T12:06:00", "--sat", "G05")
        with vyr.open(self.project_path) as project:
            station = project.stations["VYRA"]
            windows = station.windows
            self.assertEqual(list(windows["sat"]), ["", "G05"])
            self.assertEqual(list(windows["start"]),
                             [np.datetime64("2021-01-02T12:02:00"),
                              np.datetime64("2021-01-02T12:05:00")])
            self.assertEqual(windows["end"][1], np.datetime64("2021-01-02T12:06:00"))
            kept = station.observations(windows=True)
            assert_same_rows(self, kept, cli_csv("obs", self.project_path, "VYRA", "--windows"))
            self.assertLess(len(kept), len(station.observations()))
            self.assertEqual(len(project.stations["VYRB"].windows), 0)

    def test_bad_arguments_are_refused_with_what_is_wrong(self):
        cases = [  # arguments, error, words
            (dict(exclude_systems="X"), ValueError, "not a system: 'X'"),
            (dict(start="2021-01-02T12:05", end="2021-01-02T12:00"), ValueError, "lies before"),
            (dict(start="yesterday"), ValueError, "yesterday"),
            (dict(interval=-30), ValueError, "interval"),
            (dict(interval=float("nan")), ValueError, "interval"),
        ]
        with vyr.open(self.project_path) as project:
            station = project.stations["VYRA"]
            for arguments, error, words in cases:
                with self.subTest(arguments=arguments):
                    with self.assertRaises(error) as raised:
                        station.observations(**arguments)
                    self.assertIn(words, str(raised.exception))

    def test_a_span_without_epochs_gives_an_empty_array_of_the_same_fields(self):
        with vyr.open(self.project_path) as project:
            empty = project.stations["VYRA"].observations(start="2030-01-01")
            full = project.stations["VYRA"].observations()
        self.assertEqual(len(empty), 0)
        self.assertEqual(empty.dtype, full.dtype)

    def test_the_export_reads_back_as_the_same_observations(self):
        with vyr.open(self.project_path) as project:
            station = project.stations["VYRB"]
            written = station.export_rinex(pathlib.Path(self.path("out")), version=3.04)
            original = station.observations()
            self.assertTrue(os.path.isfile(written))
            with self.assertRaises(vyr.Error) as raised:
                station.export_rinex(self.path("out2"), version=3.99)
            self.assertEqual(raised.exception.code, vyr.E_INVALID_PARAMETER)
        again = self.path("again.vyr")
        cli("import", again, written)
        with vyr.open(again) as project:
            (back,) = project.stations.values()
            copy = back.observations()
        np.testing.assert_array_equal(copy["time"], original["time"])
        np.testing.assert_array_equal(copy["sat"], original["sat"])
        np.testing.assert_array_equal(copy["type"], original["type"])
        np.testing.assert_allclose(copy["code"], original["code"], atol=5e-4)


if __name__ == "__main__":
    unittest.main()
