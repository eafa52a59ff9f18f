"""Every dict of the module holds what the command line's --json writes for
the same design, key for key and bit for bit."""

import math

import orvelin
import pytest
from conftest import EXAMPLES, cli_json, run_cli


def test_report_quality_and_clearance_equal_the_command_line(example):
    d = orvelin.Design.load(str(example))
    assert d.report() == cli_json("report", example)
    assert d.quality(rays=500) == cli_json("quality", "--rays", 500, example)
    # Fields are given in the report's order, each once, whatever the order asked.
    assert d.quality(fields=["sagittal", "plus", "plus"], wavelength=1.1176) == cli_json(
        "quality", "--field", "plus", "--field", "sagittal", "--wavelength", 1.1176, example)
    # An obstructed design is a result, not an error (the command line exits 8).
    for options, args in [({}, []), ({"edge": 1.5, "thickness": 4, "margin": 2}, ["--edge", 1.5, "--thickness", 4, "--margin", 2])]:
        rc, _, _ = run_cli("clearance", example, *args)
        assert d.clearance(**options) == cli_json("clearance", example, *args, expect=rc)


def test_report_follows_edits_without_changing_the_design():
    d = orvelin.Design.load(str(EXAMPLES / "schiefspiegler.ov"))
    before = d.copy()
    first = d.report()
    d.report(), d.quality(fields="plus"), d.clearance()
    assert d == before
    d.surfaces[1].tilt -= 1
    assert d.report()["comaT"] != first["comaT"]
    assert d != before and before.report() == first


def test_a_tilt_loop_on_report_finds_the_optimisers_root(tmp_path):
    path = EXAMPLES / "schiefspiegler.ov"
    d = orvelin.Design.load(str(path))
    secondary = d.surfaces[1]

    def coma(tilt):
        secondary.tilt = tilt
        return d.report()["comaT"]

    lo, hi = -20.0, 0.0
    assert coma(lo) * coma(hi) < 0
    for _ in range(60):
        mid = 0.5 * (lo + hi)
        if (coma(mid) < 0) == (coma(lo) < 0):
            lo = mid
        else:
            hi = mid
    root = 0.5 * (lo + hi)

    start = orvelin.Design.load(str(path))
    best, result = start.optimise(["tilt:2=-20..0"], targets={"comaT": (0.0, 2.0)})
    assert result["converged"] and best.surfaces[1].tilt == result["variables"]["tilt:2"]["end"]
    # comaT changes by about 0.03 a degree: the optimiser's 1e-6 on the figure
    # is 4e-5 degrees on the tilt.
    assert abs(best.surfaces[1].tilt - root) < 4e-5
    assert abs(best.report()["comaT"]) <= 1e-6
    assert start == orvelin.Design.load(str(path))

    # The command line's record for the same search: the same keys and the
    # same search; its end figures are those of the saved file, whose values
    # are rounded to seven digits.
    cli = cli_json("optimise", path, "-o", tmp_path / "out.ov", "--vary", "tilt:2=-20..0", "--target", "comaT=0:2")
    assert list(result) == list(cli)
    for key in ("converged", "iterations", "merit", "variables"):
        assert result[key] == cli[key]
    assert result["targets"]["comaT"]["start"] == cli["targets"]["comaT"]["start"]
    assert abs(cli["targets"]["comaT"]["end"]) <= 1e-6


def test_optimise_kept_clear_and_minimised_match_the_command_line(tmp_path):
    path = EXAMPLES / "schiefspiegler.ov"
    d = orvelin.Design.load(str(path))
    best, result = d.optimise(["tilt:1", "tilt:2", "tilt:3"], keep_clear=1.0, max_iterations=3)
    rc, _, _ = run_cli("optimise", path, "-o", tmp_path / "o.ov", "--vary", "tilt:1", "--vary", "tilt:2",
                       "--vary", "tilt:3", "--keep-clear", 1, "--max-iterations", 3)
    cli = cli_json("optimise", path, "-o", tmp_path / "o.ov", "--vary", "tilt:1", "--vary", "tilt:2", "--vary",
                   "tilt:3", "--keep-clear", 1, "--max-iterations", 3, expect=rc)
    assert list(result) == list(cli) == ["converged", "iterations", "merit", "variables", "targets", "clearance"]
    assert result["variables"] == cli["variables"] and result["merit"] == cli["merit"]
    assert result["clearance"]["start"] == cli["clearance"]["start"]
    assert math.isclose(result["clearance"]["end"], cli["clearance"]["end"], abs_tol=1e-4)
    assert best.clearance()["minClearance"] == pytest.approx(result["clearance"]["end"])
