"""Designs from scripts: files, properties with the dialogs' checks, and the
exceptions that carry the command line's messages."""

import os
import warnings

import orvelin
import pytest
from conftest import DATA, EXAMPLES, cli_error, cli_json, run_cli


def test_files_round_trip_and_copies_are_independent(tmp_path):
    d = orvelin.Design.load(str(EXAMPLES / "toroid.ov"))
    assert d.title == "toroid" and d.units in ("mm", "inches")
    saved = tmp_path / "again.ov"
    d.save(str(saved))
    again = orvelin.Design.load(str(saved))
    assert again.report() == cli_json("report", saved)
    assert [s.as_dict() for s in again.surfaces] == [s.as_dict() for s in d.surfaces]
    c = d.copy()
    c.surfaces[0].tilt += 1
    c.title = "other"
    assert d.surfaces[0].tilt != c.surfaces[0].tilt and d.title == "toroid"

    zmx = tmp_path / "toroid.zmx"
    d.export_zmx(str(zmx))
    rc, _, _ = run_cli("export", EXAMPLES / "toroid.ov", "-o", tmp_path / "cli.zmx")
    assert rc == 0 and zmx.read_bytes() == (tmp_path / "cli.zmx").read_bytes()
    imported, warned = orvelin.import_zmx(str(zmx))
    assert imported.report()["fRatio"] == pytest.approx(d.report()["fRatio"], rel=1e-9)
    assert isinstance(warned, list)


def test_focus_writes_what_the_command_lines_focus_writes(tmp_path):
    for curve in (False, True):
        d = orvelin.Design.load(str(EXAMPLES / "schiefspiegler.ov"))
        d.focus(curve=curve)
        d.title = "focused"
        (tmp_path / "py").mkdir(exist_ok=True), (tmp_path / "cli").mkdir(exist_ok=True)
        d.save(str(tmp_path / "py" / "focused.ov"))
        rc, _, _ = run_cli("focus", EXAMPLES / "schiefspiegler.ov", "-o", tmp_path / "cli" / "focused.ov",
                           *(["--curve"] if curve else []))
        assert rc == 0
        assert (tmp_path / "py" / "focused.ov").read_bytes() == (tmp_path / "cli" / "focused.ov").read_bytes()


def test_surfaces_keep_the_dialogs_rules():
    d = orvelin.Design.new(2)
    assert d.mirrors == 2 and len(d.surfaces) == 3 and d.title == "(New Design)"
    m1, m2, focal = d.surfaces
    assert (m1.number, focal.number) == (1, 3)
    m1.radius = -800
    assert m1.sag_radius == -800  # a conic's sagittal radius follows its radius
    m1.conic = 1
    assert m1.name == "parab"
    m2.kind = 1
    m2.sag_radius = 500
    assert (m2.name, m2.conic, m2.sag_radius) == ("toroid", 0, 500)
    with pytest.raises(ValueError, match="a toroid has no conic constant"):
        m2.conic = 0.5
    with pytest.raises(ValueError, match="follows its radius"):
        m1.sag_radius = 3
    with pytest.raises(ValueError, match="the focal plane has no separation"):
        focal.separation = 10
    for name, value in [("tilt", float("nan")), ("radius", float("inf")), ("separation", 1e-310)]:
        with pytest.raises(ValueError, match=f"^{name}: "):
            setattr(m1, name, value)
    with pytest.raises(ValueError, match="not 0 .conic. or 1"):
        m1.kind = 2
    with pytest.raises(ValueError, match="too large"):
        d.field = 1e308
    with pytest.raises(ValueError, match="'cm' is not"):
        d.units = "cm"
    with pytest.raises(ValueError, match="from 0 to 20"):
        orvelin.Design.new(21)

    # A whole list replaces the surfaces, or nothing changes.
    before = [s.as_dict() for s in d.surfaces]
    with pytest.raises(ValueError, match="surface 2 is a toroid"):
        d.surfaces = [{"radius": -1000}, {"kind": 1, "radius": 5, "conic": 1}, {}]
    assert [s.as_dict() for s in d.surfaces] == before
    d.surfaces = [{"radius": -1000, "separation": -500}, {}]
    assert d.mirrors == 1 and m1.radius == -1000
    with pytest.raises(IndexError, match="surface 3 is no longer in the design"):
        focal.tilt


def test_unreadable_and_refused_files_raise_with_the_command_lines_messages(tmp_path):
    missing = tmp_path / "missing.ov"
    with pytest.raises(FileNotFoundError) as e:
        orvelin.Design.load(str(missing))
    assert f"{e.value.filename}: {e.value.strerror}" == cli_error("show", missing)
    with pytest.raises(IsADirectoryError):
        orvelin.Design.load(str(tmp_path))
    with pytest.raises(FileNotFoundError):
        orvelin.Design.new(1).save(str(tmp_path / "no" / "such.ov"))
    with pytest.raises(FileNotFoundError):
        orvelin.import_zmx(str(tmp_path / "missing.zmx"))
    if os.geteuid() != 0:
        locked = tmp_path / "locked.ov"
        locked.write_text("x")
        locked.chmod(0)
        with pytest.raises(PermissionError):
            orvelin.Design.load(str(locked))

    refused = DATA / "hostile" / "too-many-mirrors.ov"
    with pytest.raises(orvelin.DesignFileError) as e:
        orvelin.Design.load(str(refused))
    assert isinstance(e.value, ValueError) and str(e.value) == cli_error("show", refused)

    lens = DATA / "zmx" / "refused-lens.zmx"
    with pytest.raises(orvelin.DesignFileError) as e:
        orvelin.import_zmx(str(lens))
    assert str(e.value) == cli_error("import", lens, "-o", tmp_path / "lens.ov")
    assert e.value.line is not None and e.value.reason.startswith(f"line {e.value.line}: ")


def test_a_damaged_file_is_an_error_unless_allowed():
    damaged = DATA / "hostile" / "letters-in-value-column.ov"
    with pytest.raises(orvelin.DesignFileError) as e:
        orvelin.Design.load(str(damaged))
    assert (e.value.line, e.value.path) == (8, str(damaged))
    assert e.value.reason == "line 8: expected kind, radius, CC/Rsag, tilt and separation of surface 2"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        d = orvelin.Design.load(str(damaged), allow_damaged=True)
    [w] = caught
    _, _, err = run_cli("show", damaged)
    assert isinstance(w.message, orvelin.DesignFileWarning) and w.message.line == 8
    assert f"warning: {w.message}" == err.strip().splitlines()[0]
    assert d.mirrors >= 1


def test_trace_problems_and_bad_arguments():
    d = orvelin.Design.new(1)
    d.surfaces = [{"separation": -100}, {}]
    d.aperture = 10
    for call in (d.report, d.quality, d.clearance):
        with pytest.raises(orvelin.TraceError) as e:
            call()
        assert e.value.status == 2 and str(e.value) == "trace problem: There is no focus"
    misses = DATA / "hostile" / "light-misses-surface-2.ov"
    with pytest.raises(orvelin.TraceError) as e:
        orvelin.Design.load(str(misses)).report()
    assert e.value.status == 5 and str(e.value) == cli_error("report", misses)

    s = orvelin.Design.load(str(EXAMPLES / "schiefspiegler.ov"))
    bad = [
        (lambda: s.quality(rays=0), "rays: 0 is not in"),
        (lambda: s.quality(fields="top"), "'top' is not one of center"),
        (lambda: s.quality(wavelength=0), "wavelength"),
        (lambda: s.clearance(edge=-1), "edge wants a number of at least 0"),
        (lambda: s.clearance(margin=float("inf")), "margin wants a finite number"),
        (lambda: s.optimise(["tilt:9"]), "bad vary: surface 9 in 'tilt:9' is out of range"),
        (lambda: s.optimise(["tilt:2"], targets={"comaX": 0}), "bad target: 'comaX' in 'comaX=0' is not a figure"),
        (lambda: s.optimise(["tilt:2"], minimise="size"), "'size' is not 'spot' or 'wavefront'"),
        (lambda: s.trace_pupil("top"), "'top' is not one of"),
    ]
    for call, message in bad:
        with pytest.raises(ValueError, match=message):
            call()
