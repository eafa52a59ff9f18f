"""orvelin.design_family makes the design the command line's `design`
writes, with the figures of its --json; a request the family cannot meet
raises FamilyRefusedError with the command line's reason."""

import json

import orvelin
import pytest
from conftest import run_cli


def test_design_family_equals_the_command_line(tmp_path):
    out = tmp_path / "kutter.ov"
    rc, text, err = run_cli("design", "kutter", "--aperture", 110, "--f-ratio", 28, "--field", 0.25, "-o", out,
                            "--json")
    assert rc == 0, err
    d, figures = orvelin.design_family("kutter", 110, 28, 0.25)
    assert figures == json.loads(text)
    assert figures["ok"] and figures["request"]["margin"] == 5
    assert d.title == "(New Design)" and d.aperture == 110 and d.units == "mm"
    # The same file, byte for byte, under the same name.
    d.title = "kutter"
    d.save(str(tmp_path / "mine.ov"))
    assert (tmp_path / "mine.ov").read_bytes() == out.read_bytes()
    assert d.report()["fRatio"] == pytest.approx(28, rel=0.02)


def test_a_refused_request_raises_with_the_reason_and_bad_values_raise_value_error(tmp_path):
    rc, text, err = run_cli("design", "kutter", "--aperture", 200, "--f-ratio", 4, "--field", 0.25, "-o",
                            tmp_path / "x.ov", "--json")
    assert rc == 9
    with pytest.raises(orvelin.FamilyRefusedError) as e:
        orvelin.design_family("kutter", aperture=200, f_ratio=4, field=0.25)
    assert isinstance(e.value, ValueError)
    assert str(e.value) == err.strip().splitlines()[-1].removeprefix("orvelin-cli: ")
    assert str(e.value) == "kutter: " + e.value.reason
    assert e.value.figures == json.loads(text) and not e.value.figures["ok"]

    for kwargs, message in [({"family": "newtonian"}, "family: 'newtonian' is not one of herschelian, kutter, "
                                                      "yolo, trischiefspiegler"),
                            ({"aperture": 0}, "the aperture must be above 0"),
                            ({"f_ratio": -2}, "the f-ratio must be above 0"),
                            ({"field": 20}, "the full field must be at least 0 and below 20 degrees"),
                            ({"margin": -1}, "the margin must be at least 0"),
                            ({"units": "cm"}, "the units must be mm or inches")]:
        args = {"family": "yolo", "aperture": 150, "f_ratio": 20, **kwargs}
        family = args.pop("family")
        with pytest.raises(ValueError, match="^" + message + "$"):
            orvelin.design_family(family, **args)
