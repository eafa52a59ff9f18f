"""diffraction(), fans(), fieldcurves(), fieldmap(), throughfocus() and
tolerance() hold what the command line's --json writes for the same design
and options, key for key and bit for bit; what the command line refuses
raises ValueError with the option named."""

import math
import re

import orvelin
import pytest
from conftest import EXAMPLES, cli_error, cli_json

SCHIEF = EXAMPLES / "schiefspiegler.ov"


@pytest.fixture
def design():
    return orvelin.Design.load(str(SCHIEF))


def test_aberration_dicts_equal_the_command_line(design):
    d = design
    assert d.fans() == cli_json("fans", SCHIEF)
    # Fields in the report's order, each once, whatever the order asked.
    assert d.fans(fields=["plus", "center", "plus"], points=7, wavelength=0.65) == cli_json(
        "fans", "--field", "center", "--field", "plus", "--points", 7, "--wavelength", 0.65, SCHIEF)
    assert d.fieldcurves() == cli_json("fieldcurves", SCHIEF)
    assert d.fieldcurves(field=0.5, points=5) == cli_json("fieldcurves", "--field", 0.5, "--points", 5, SCHIEF)
    assert d.fieldmap(grid=3, rays=100) == cli_json("fieldmap", "--grid", 3, "--rays", 100, SCHIEF)
    assert d.fieldmap(field=0.2, grid=2, wavelength=0.7) == cli_json(
        "fieldmap", "--field", 0.2, "--grid", 2, "--wavelength", 0.7, SCHIEF)
    assert d.throughfocus() == cli_json("throughfocus", SCHIEF)
    assert d.throughfocus(field="plus", step=0.05, rays=50) == cli_json(
        "throughfocus", "--field", "plus", "--step", 0.05, "--rays", 50, SCHIEF)


def test_diffraction_equals_the_command_line(design):
    assert design.diffraction(grid=32) == cli_json("diffraction", "--grid", 32, SCHIEF)
    got = design.diffraction(fields="minus", grid=64, wavelength=0.7)
    assert got == cli_json("diffraction", "--field", "minus", "--grid", 64, "--wavelength", 0.7, SCHIEF)
    assert 0 < got["fields"]["minus"]["strehl"] <= 1


def test_tolerance_equals_the_command_line(design):
    assert design.tolerance() == cli_json("tolerance", "--default-tolerances", SCHIEF)
    # "default" stands for the stated set, which a later text overrides.
    assert design.tolerance(["default", "tilt:*=±0.1"]) == cli_json(
        "tolerance", "--default-tolerances", "--tol", "tilt:*=±0.1", SCHIEF)
    got = design.tolerance(["tilt:2=±0.05", "sep:1=+-0.5"], compensate="focus,tilt",
                           criterion="quality.center.rmsSpot", threshold=20, trials=20, seed=7,
                           distribution="normal")
    assert got == cli_json("tolerance", "--tol", "tilt:2=±0.05", "--tol", "sep:1=+-0.5", "--compensate",
                           "focus,tilt", "--criterion", "quality.center.rmsSpot", "--threshold", 20,
                           "--trials", 20, "--seed", 7, "--distribution", "normal", SCHIEF)
    assert got["montecarlo"]["trials"] == 20


@pytest.mark.parametrize("call, message", [
    (lambda d: d.fans(points=4), "points: 4 is not an odd number"),
    (lambda d: d.fans(points=1), "points: 1 is not in [3 - 10001]"),
    (lambda d: d.fans(fields="edge"), "fields: 'edge' is not one of center, minus, plus, sagittal"),
    (lambda d: d.fans(wavelength=0), "wavelength: 0 um is not in [1e-06 - 1e+06]"),
    (lambda d: d.diffraction(grid=8), "grid: the grid must be a whole number of cells from 16 to 1024, not 8"),
    (lambda d: d.diffraction(fields=[]), "fields: name at least one field"),
    (lambda d: d.fieldcurves(field=90), "field: 90 degrees is not in [1e-06 - 89]"),
    (lambda d: d.fieldmap(grid=0), "grid: 0 is not in [1 - 41]"),
    (lambda d: d.fieldmap(rays=100001), "rays: 100001 is not in [1 - 100000]"),
    (lambda d: d.throughfocus(field="top"), "field: 'top' is not one of center, minus, plus, sagittal"),
    (lambda d: d.throughfocus(step=0), "step: 0 is not a number above 0"),
    (lambda d: d.tolerance(compensate="tilt"), "compensate: 'tilt' is not 'focus', 'focus,tilt' or 'none'"),
    (lambda d: d.tolerance(trials=0), "trials: 0 is not in [1 - 1000000]"),
    (lambda d: d.tolerance(threshold=math.nan), "threshold wants a finite number"),
    (lambda d: d.tolerance(distribution="flat"), "distribution: 'flat' is not 'uniform' or 'normal'"),
])
def test_bad_arguments_raise_value_error_naming_them(design, call, message):
    with pytest.raises(ValueError, match="^" + re.escape(message) + "$"):
        call(design)


def test_refusals_carry_the_command_lines_reasons(design):
    # The tolerance texts and criteria the command line refuses, for the same reason.
    with pytest.raises(ValueError) as e:
        design.tolerance(["tilt:9=±1"])
    assert str(e.value).removeprefix("bad tolerance: ") == cli_error(
        "tolerance", "--tol", "tilt:9=±1", SCHIEF).removeprefix("bad --tol: ")
    with pytest.raises(ValueError) as e:
        design.tolerance(criterion="best.strehl")
    assert str(e.value) == cli_error("tolerance", "--default-tolerances", "--criterion", "best.strehl",
                                     SCHIEF).replace("--criterion", "criterion")
    with pytest.raises(ValueError) as e:
        design.tolerance([])
    assert str(e.value) == cli_error("tolerance", SCHIEF)
    # A design that does not trace: TraceError with the command line's message.
    empty = orvelin.Design.new(1)
    for analysis in (empty.fans, empty.fieldcurves, empty.fieldmap, empty.throughfocus, empty.diffraction,
                     empty.tolerance):
        with pytest.raises(orvelin.TraceError) as e:
            analysis()
        assert e.value.status == 1 and str(e.value) == "trace problem: Aperture is zero"
