"""The batched trace from numpy: every figure the one-ray trace's to the last
bit, whatever the layout of the rays in memory."""

import numpy as np
import orvelin
import pytest
from conftest import EXAMPLES


def one_ray_traces(design, rays):
    hits = np.zeros_like(rays)
    status = np.zeros(len(rays), dtype=np.int32)
    for i, ray in enumerate(rays):
        hit, status[i] = design.trace_ray(tuple(ray))
        hits[i] = hit
    return hits, status


@pytest.mark.parametrize("name, misses", [("schiefspiegler.ov", {4, 5}), ("toroid.ov", {4, 5}), ("paraboloid-f5.ov", set())])
def test_trace_equals_the_one_ray_trace_bit_for_bit(name, misses):
    d = orvelin.Design.load(str(EXAMPLES / name))
    for field in ("center", "minus", "plus", "sagittal"):
        starts, hits, status, weights = d.trace_pupil(field, 300)
        assert starts.shape == hits.shape == (len(status), 6) and status.dtype == np.int32
        assert weights.sum() == pytest.approx(1) and weights[0] == 0
        # Rays far beyond the aperture too, so that some miss the mirrors.
        wide = starts.copy()
        wide[:, :2] *= 100
        rays = np.concatenate([starts, wide])
        got_hits, got_status = d.trace(rays)
        want_hits, want_status = one_ray_traces(d, rays)
        assert np.array_equal(got_status, want_status)
        arrived = got_status == 0
        assert arrived[: len(starts)].all() and set(got_status[~arrived]) == misses
        assert np.array_equal(got_hits[arrived], want_hits[arrived])
        assert np.array_equal(got_hits[: len(starts)], hits)


def test_rays_are_read_in_any_layout_and_left_as_they_were():
    d = orvelin.Design.load(str(EXAMPLES / "schiefspiegler.ov"))
    starts, hits, status, _ = d.trace_pupil("plus", 5000)
    kept = starts.copy()
    padded = np.zeros((2 * len(starts), 9))
    padded[::2, 2:8] = starts
    layouts = {
        "rows": starts,
        "columns": np.asfortranarray(starts),
        "strided": padded[::2, 2:8],
        "reversed": starts[::-1][::-1],
        "list": starts.tolist(),
    }
    for name, rays in layouts.items():
        got_hits, got_status = d.trace(rays)
        assert np.array_equal(got_hits, hits) and np.array_equal(got_status, status), name
    assert np.array_equal(starts, kept)
    empty_hits, empty_status = d.trace(np.empty((0, 6)))
    assert empty_hits.shape == (0, 6) and empty_status.shape == (0,)
    for bad in (np.zeros((3, 5)), np.zeros(6), np.zeros((2, 6, 1))):
        with pytest.raises(ValueError, match=r"shape \(N, 6\)"):
            d.trace(bad)


def test_an_aperture_beyond_the_first_mirror_stops_every_ray():
    d = orvelin.Design.new(1)
    d.surfaces = [{"radius": -100, "separation": -50}, {}]
    d.aperture = 300
    _, status = d.trace(np.array([[0, 0, 0, 0, 0, 1.0]] * 3))
    assert status.tolist() == [4, 4, 4]
    assert d.trace_ray((0, 0, 0, 0, 0, 1))[1] == 4
