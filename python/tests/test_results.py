"""Associations and their residuals against `vyr results ... show` (GLONASS offsets applied);
the common data's counts against `vyr info` and its orbit arrays against `vyr show`."""
import unittest

import numpy as np
import vyr

from support import FolderTest, cli, cli_csv, cli_json, corpus_file

L1 = ("time,sat,value\n"
      "2021-01-02T12:00:00,G05,0.012\n2021-01-02T12:00:00,R03,0.75\n"
      "2021-01-02T12:00:30,G05,0.010\n2021-01-02T12:00:30,R03,-0.25\n"
      "2021-01-02T14:00:00,R03,1.5\n")
# Inside the hour the R03 residuals are lessened by 0.5; outside it they stay.
OFFSETS = "sat,from,to,offset\nR03,2021-01-02T12:00:00,2021-01-02T13:00:00,0.5\n"


class ResultsTest(FolderTest):
    def test_residuals_are_those_the_command_shows_with_offsets_applied(self):
        path = self.sample_project()
        key = cli("assoc", path, "add", "VYRA", "--reference", "VYRB").strip()
        cli("assoc", path, "add", "VYRB")
        for name, text in (("l1.csv", L1), ("off.csv", OFFSETS)):
            with open(self.path(name), "w") as f:
                f.write(text)
        cli("results", path, key, "add", "residuals", "--type", "L1Code", self.path("l1.csv"))
        cli("results", path, key, "add", "offsets", "--type", "L1Code", self.path("off.csv"))
        with vyr.open(path) as project:
            assocs = project.associations
            self.assertEqual(list(assocs), [a["key"] for a in cli_json("assoc", path, "list")])
            assoc = assocs[key]
            self.assertEqual((assoc.rover, assoc.reference, assoc.flags), ("VYRA", "VYRB", 0))
            residuals = assoc.residuals(vyr.ResidualType.L1_CODE)
            none = assoc.residuals(vyr.ResidualType.L2_PHASE)
        shown = cli_csv("results", path, key, "show", "residuals", "--type", "L1Code")
        self.assertEqual(len(residuals), len(shown))
        self.assertEqual(list(np.datetime_as_string(residuals["time"], unit="ms")),
                         [row["time"] for row in shown])
        self.assertEqual(list(residuals["sat"]), [row["sat"] for row in shown])
        np.testing.assert_allclose(residuals["value"], [float(row["value"]) for row in shown])
        # The offset is applied inside its hour only.
        r03 = residuals[residuals["sat"] == "R03"]["value"]
        np.testing.assert_allclose(r03, [0.25, -0.75, 1.5])
        self.assertEqual(len(none), 0)
        self.assertEqual(none.dtype, residuals.dtype)


class CommonDataTest(FolderTest):
    def test_a_new_project_holds_no_orbits(self):
        path = self.path("p.vyr")
        cli("create", path)
        with vyr.open(path) as project:
            common = project.common
            self.assertEqual(common.counts, cli_json("info", path)["common"])
            self.assertEqual(len(common.precise), 0)
            self.assertEqual(len(common.broadcast_gps), 0)

    def test_counts_and_orbits_are_those_the_command_shows(self):
        navigation = corpus_file("nav-v2/ab422100.18n")
        orbits = corpus_file("sp3/example1.sp3a")
        path = self.path("p.vyr")
        cli("import", path, navigation, orbits)
        with vyr.open(path) as project:
            common = project.common
            counts = common.counts
            broadcast = common.broadcast_gps
            precise = common.precise
        self.assertEqual(counts, cli_json("info", path)["common"])
        self.assertGreater(counts["broadcast_gps"], 0)
        shown = cli_json("show", path, "broadcast-gps")
        self.assertEqual(len(broadcast), len(shown))
        for got, expected in zip(broadcast, shown):
            self.assertEqual(got["sat"], expected["satellite"])
            self.assertEqual(got["toe"], np.datetime64(expected["toe"], "ms"))
            self.assertEqual(int(got["week"]), expected["week"])
            self.assertAlmostEqual(float(got["sqrt_a"]), expected["sqrt_a_m05"], places=6)
            # Stored as 32-bit floats; the command prints their shortest text.
            self.assertEqual(np.float32(got["af0"]), np.float32(expected["af0_s"]))
        shown = cli_json("show", path, "precise")
        self.assertGreater(len(shown), 0)
        self.assertEqual(len(precise), len(shown))
        for got, expected in zip(precise, shown):
            self.assertEqual(got["sat"], expected["satellite"])
            self.assertEqual(got["time"], np.datetime64(expected["epoch"], "ms"))
            for column in ("x", "y", "z"):
                self.assertAlmostEqual(float(got[column]), expected[column + "_m"], places=3)
            self.assertAlmostEqual(float(got["clock"]), expected["clock_s"], delta=1e-12)


if __name__ == "__main__":
    unittest.main()
