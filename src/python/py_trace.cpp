// The traces for scripts: many rays at once through the batched trace, one
// ray through the one-ray trace, and a filled pupil of a field.
//
// Rays are rows (x, y, z, L, M, N): a start point in the entrance plane
// (z = 0 there), as the spot plots start their rays, and a unit direction
// in the frame of the entrance space.  Hits come back in the focal plane's
// own frame (x tangential, y sagittal, z the sag of a curved focal plane)
// with the direction in which the light arrives there.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <cstdint>
#include <string>

#include "python/py_convert.h"
#include "python/py_design.h"
#include "quality/field_rays.h"
#include "quality/image_quality.h"
#include "quality/pupil_sampling.h"
#include "trace/batch_trace.h"

namespace orvelin::python {

namespace {

using Status = std::int32_t;
using Hits = py::array_t<double, py::array::c_style>;
using Statuses = py::array_t<Status, py::array::c_style>;

/// The entrance distance set as the spot plots set it, or the status that
/// stops every ray before it starts.
TraceStatus prepare(const Design& design, TraceState& state) {
    return setEntranceTangential(design, state) ? kTraceOk : state.status;
}

/// Trace `count` rays whose value k of ray i is at start + i * rayStride +
/// k * valueStride (in doubles) into rows of hits and their statuses.
void traceRows(const Design& design, const double* start, py::ssize_t rayStride, py::ssize_t valueStride,
               std::size_t count, double* hits, Status* status) {
    TraceState state;
    const TraceStatus stop = prepare(design, state);
    if (stop != kTraceOk) {
        std::fill_n(status, count, stop);
        std::fill_n(hits, 6 * count, 0.0);
        return;
    }
    traceStartsStream(
        design, state.entrance, count, BundleEnd::focalPlane,
        [&](std::size_t first, std::size_t n, double* const rows[6]) {
            for (std::size_t j = 0; j < n; ++j) {
                const double* ray = start + static_cast<py::ssize_t>(first + j) * rayStride;
                for (int k = 0; k < 6; ++k) rows[k][j] = ray[k * valueStride];
            }
        },
        [&](std::size_t, const TracedChunk& c) {
            const double* rows[6] = {c.x, c.y, c.z, c.L, c.M, c.N};
            for (std::size_t j = 0; j < c.count; ++j) {
                double* hit = hits + 6 * (c.first + j);
                for (int k = 0; k < 6; ++k) hit[k] = rows[k][j];
                status[c.first + j] = c.status(j);
            }
        });
}

py::tuple traceArray(const Design& design, const py::object& rays) {
    // Doubles are read where they lie, whatever their order and strides;
    // anything else is first converted.
    py::array_t<double> values = py::isinstance<py::array_t<double>>(rays)
                                     ? py::reinterpret_borrow<py::array_t<double>>(rays)
                                     : py::array_t<double>::ensure(rays);
    if (!values) throw py::error_already_set();
    if (values.ndim() != 2 || values.shape(1) != 6)
        throw py::value_error("rays: an array of shape (N, 6) wanted (x, y, z, L, M, N a row), not " +
                              py::str(py::getattr(values, "shape")).cast<std::string>());
    const py::ssize_t s0 = values.strides(0), s1 = values.strides(1);
    if (s0 % py::ssize_t(sizeof(double)) || s1 % py::ssize_t(sizeof(double)))
        values = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(values);
    const auto n = static_cast<std::size_t>(values.shape(0));
    Hits hits({values.shape(0), py::ssize_t(6)});
    Statuses status(values.shape(0));
    const double* start = values.data();
    const py::ssize_t rayStride = values.strides(0) / py::ssize_t(sizeof(double));
    const py::ssize_t valueStride = values.strides(1) / py::ssize_t(sizeof(double));
    double* out = hits.mutable_data();
    Status* st = status.mutable_data();
    // Traced without the interpreter's lock, from a copy of the design that
    // no other thread of the script can change meanwhile.
    const Design copy = design;
    {
        py::gil_scoped_release free;
        traceRows(copy, start, rayStride, valueStride, n, out, st);
    }
    return py::make_tuple(hits, status);
}

py::tuple traceOneRay(const Design& design, const std::array<double, 6>& ray) {
    TraceState s;
    TraceStatus status = prepare(design, s);
    std::array<double, 6> hit{};
    if (status == kTraceOk) {
        s.ray = RayState{ray[0], ray[1], ray[2], ray[3], ray[4], ray[5]};
        if (traceToFocalPlane(design, s)) {
            hit = {s.ray.x, s.ray.y, s.ray.z, 0, 0, 0};
            // The direction in which the light arrives: the last mirror's,
            // turned into the tilted focal plane (the one-ray trace has
            // already reflected it there).
            TraceState m = s;
            m.ray = RayState{ray[0], ray[1], ray[2], ray[3], ray[4], ray[5]};
            traceToLastMirror(design, m);
            const Surface& f = design.surfaces[design.surfaceCount];
            hit[3] = m.ray.L, hit[4] = m.ray.M, hit[5] = m.ray.N;
            if (f.tilt != 0) {
                hit[3] = m.ray.L * f.cosTilt + m.ray.N * f.sinTilt;
                hit[5] = m.ray.N * f.cosTilt - m.ray.L * f.sinTilt;
            }
        } else {
            status = s.status;
        }
    }
    return py::make_tuple(py::make_tuple(hit[0], hit[1], hit[2], hit[3], hit[4], hit[5]), status);
}

py::tuple tracePupil(const Design& design, const std::string& fieldName, int rays) {
    const auto field = qualityFieldFromName(fieldName);
    if (!field)
        throw py::value_error("field: '" + fieldName + "' is not one of center, minus, plus, sagittal");
    if (rays < 1 || rays > kMaxQualityRays)
        throw py::value_error("n: " + std::to_string(rays) + " is not in [1 - " +
                              std::to_string(kMaxQualityRays) + "]");
    const PupilRule rule(rays);
    const auto n = static_cast<py::ssize_t>(rule.size());
    Hits starts({n, py::ssize_t(6)});
    Hits hits({n, py::ssize_t(6)});
    Statuses status(n);
    py::array_t<double> weights(n);
    double* s = starts.mutable_data();
    double* w = weights.mutable_data();
    double* h = hits.mutable_data();
    Status* st = status.mutable_data();
    const Design copy = design;
    {
        py::gil_scoped_release free;
        RayState start;
        startQualityRay(copy, *field, start);
        std::vector<double> px(n), py_(n);
        rule.fill(0, rule.size(), copy.semiAperture, px.data(), py_.data(), w);
        for (py::ssize_t i = 0; i < n; ++i) {
            double* row = s + 6 * i;
            row[0] = px[i], row[1] = py_[i], row[2] = start.z;
            row[3] = start.L, row[4] = start.M, row[5] = start.N;
        }
        traceRows(copy, s, 6, 1, rule.size(), h, st);
    }
    return py::make_tuple(starts, hits, status, weights);
}

}  // namespace

void bindTraces(DesignClass& c) {
    c.def("trace", &traceArray, py::arg("rays"),
          R"(Trace many rays to the focal plane with the batched trace: (hits, status).

rays: an array of shape (N, 6), a row (x, y, z, L, M, N) per ray: its start
in the entrance plane (design units; z = 0 on the plane) and its direction
cosines, as the spot plots start their rays.  An array of doubles is read
where it lies, in any order and strides, without a copy.
hits: (N, 6) doubles, each ray's hit point in the focal plane's own frame
(x tangential, y sagittal, z the sag of a curved focal plane) and the
direction in which it arrives there; status: (N,) int32, 0 for a ray that
arrived, 3 + k for one that missed surface k (its hit means nothing).
Every figure is the one-ray trace's to the last bit.)")
        .def("trace_ray", &traceOneRay, py::arg("ray"),
             R"(Trace one ray (x, y, z, L, M, N) with the one-ray trace: (hit, status),
hit a 6-tuple as a row of trace()'s hits.)")
        .def("trace_pupil", &tracePupil, py::arg("field"), py::arg("n") = kDefaultQualityRays,
             R"(Trace a filled pupil of a field as the image-quality figures sample it:
(starts, hits, status, weights).

field: 'center', 'minus', 'plus' or 'sagittal'; n: at least this many rays
(rings of points uniform in area, the chief ray first and the rim last).
starts are the rays as trace() takes them, hits and status what it gives
for them, weights each ray's share of a pupil average (they sum to 1; the
chief ray and the rim weigh 0).)");
}

}  // namespace orvelin::python
