// diffraction, fans, fieldcurves, fieldmap, throughfocus and tolerance:
// each the command line's command on a design in memory, with its options'
// ranges, giving the dict of its --json.
#include <pybind11/stl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "aberrations/aberrations_json.h"
#include "diffraction/diffraction.h"
#include "diffraction/diffraction_output.h"
#include "python/py_arguments.h"
#include "python/py_convert.h"
#include "python/py_design.h"
#include "tolerance/tolerance.h"
#include "tolerance/tolerance_json.h"

namespace orvelin::python {

namespace {

int inRange(const char* name, int v, int low, int high) {
    if (v < low || v > high)
        throw py::value_error(std::string(name) + ": " + std::to_string(v) + " is not in [" +
                              std::to_string(low) + " - " + std::to_string(high) + "]");
    return v;
}

/// Pupil or field points from -1 to 1: odd, so that 0 is one of them.
int oddPoints(int v) {
    inRange("points", v, 3, 10001);
    if (v % 2 == 0) throw py::value_error("points: " + std::to_string(v) + " is not an odd number");
    return v;
}

double wavelengthOf(double w) {
    if (!(w >= 1e-6 && w <= 1e6))
        throw py::value_error("wavelength: " + fullPrecision(w) + " um is not in [1e-06 - 1e+06]");
    return w;
}

/// A field semi-angle to cover, degrees; None: the design's own.
double coveredField(const std::optional<double>& field) {
    if (!field) return 0;
    if (!(*field >= 1e-6 && *field <= 89))
        throw py::value_error("field: " + fullPrecision(*field) + " degrees is not in [1e-06 - 89]");
    return *field;
}

QualityField oneField(const std::string& name) {
    const auto f = qualityFieldFromName(name);
    if (!f) throw py::value_error("field: '" + name + "' is not one of center, minus, plus, sagittal");
    return *f;
}

/// The tolerance options as the command line reads them; ValueError with
/// its message for what it refuses.  "default" in the list stands for
/// --default-tolerances, the stated set, which later entries override.
ToleranceOptions toleranceOptions(const Design& d, const std::optional<std::vector<std::string>>& tolerances,
                                  const std::string& compensate, const std::string& criterion,
                                  std::optional<double> threshold, std::optional<int> trials,
                                  std::uint64_t seed, const std::string& distribution) {
    ToleranceOptions o;
    std::string error;
    const std::vector<std::string> texts = tolerances.value_or(std::vector<std::string>{"default"});
    for (const std::string& t : texts) {
        if (t == "default") {
            for (const std::string& dt : defaultToleranceTexts(d))
                if (!parseTolerance(dt, d, o.tolerances, error))
                    throw py::value_error("bad default: " + error);
        } else if (!parseTolerance(t, d, o.tolerances, error)) {
            throw py::value_error("bad tolerance: " + error);
        }
    }
    const auto c = parseCompensation(compensate);
    if (!c) throw py::value_error("compensate: '" + compensate + "' is not 'focus', 'focus,tilt' or 'none'");
    o.compensation = *c;
    const auto k = parseCriterion(criterion, error);
    if (!k) throw py::value_error("bad criterion: " + error);
    o.criterion = *k;
    if (threshold) finite("threshold", *threshold, false);
    o.threshold = threshold;
    if (trials) inRange("trials", *trials, 1, kMaxToleranceTrials);
    o.trials = trials.value_or(0);
    o.seed = seed;
    if (distribution != "uniform" && distribution != "normal")
        throw py::value_error("distribution: '" + distribution + "' is not 'uniform' or 'normal'");
    o.distribution = distribution == "normal" ? Distribution::normal : Distribution::uniform;
    if (const std::string why = checkToleranceOptions(o); !why.empty()) throw py::value_error(why);
    return o;
}

}  // namespace

void bindImageAnalyses(DesignClass& c) {
    c.def(
         "diffraction",
         [](const Design& d, const py::object& fields, int grid, double wavelength) {
             const std::vector<QualityField> chosen = fieldsOf(fields);
             if (grid < kMinDiffractionGrid || grid > kMaxDiffractionGrid)
                 throw py::value_error(
                     "grid: the grid must be a whole number of cells from 16 to 1024, not " +
                     std::to_string(grid));
             const DiffractionOptions o{grid, wavelengthOf(wavelength)};
             const DiffractionResult r =
                 withoutInterpreterLock(d, [&](const Design& c) { return computeDiffraction(c, o, chosen); });
             return toPython(diffractionJson(r));
         },
         py::kw_only(), py::arg("fields") = py::none(), py::arg("grid") = kDefaultDiffractionGrid,
         py::arg("wavelength") = kQualityWavelengthMicrons,
         R"(The diffraction image (the command line's `diffraction --json`): Strehl
ratio, encircled energy, MTF and the sampling of each field.

fields: None for all four, or names among 'center', 'minus', 'plus' and
'sagittal'; grid: cells across the pupil's diameter, 16 to 1024;
wavelength in micrometres.  TraceError when the design does not trace.)")
        .def(
            "fans",
            [](const Design& d, const py::object& fields, int points, double wavelength) {
                FanOptions o;
                o.fields = fieldsOf(fields);
                o.points = oddPoints(points);
                o.wavelengthMicrons = wavelengthOf(wavelength);
                const FanResult r =
                    withoutInterpreterLock(d, [&](const Design& c) { return computeFans(c, o); });
                return toPython(fansJson(r));
            },
            py::kw_only(), py::arg("fields") = py::none(), py::arg("points") = 41,
            py::arg("wavelength") = kQualityWavelengthMicrons,
            R"(Ray fans and wavefront fans (the command line's `fans --json`): the
transverse errors (um) and the optical path difference (waves) along the
tangential and sagittal lines of the pupil, relative to the chief ray.

fields: None for all four, or names; points: odd, 3 to 10001, from -1 to
1 on each line; wavelength in micrometres.  TraceError when the design does
not trace.)")
        .def(
            "fieldcurves",
            [](const Design& d, std::optional<double> field, int points) {
                const FieldCurveOptions o{oddPoints(points), coveredField(field)};
                const FieldCurvesResult r =
                    withoutInterpreterLock(d, [&](const Design& c) { return computeFieldCurves(c, o); });
                return toPython(fieldCurvesJson(r));
            },
            py::kw_only(), py::arg("field") = py::none(), py::arg("points") = 21,
            R"(The astigmatic field curves and the distortion across the field, and
the focal-plane tilt that fits the foci best (the command line's
`fieldcurves --json`).

field: the semi-angle covered in degrees (None: the design's); points:
odd, 3 to 10001, from -field to +field.  TraceError when the design does
not trace.)")
        .def(
            "fieldmap",
            [](const Design& d, std::optional<double> field, int grid, int rays, double wavelength) {
                const FieldMapOptions o{inRange("grid", grid, 1, 41), coveredField(field),
                                        inRange("rays", rays, 1, 100000), wavelengthOf(wavelength)};
                const FieldMapResult r =
                    withoutInterpreterLock(d, [&](const Design& c) { return computeFieldMap(c, o); });
                return toPython(fieldMapJson(r));
            },
            py::kw_only(), py::arg("field") = py::none(), py::arg("grid") = 5,
            py::arg("rays") = kDefaultQualityRays, py::arg("wavelength") = kQualityWavelengthMicrons,
            R"(RMS spot, Strehl ratio and RMS wavefront error over a grid covering the
field (the command line's `fieldmap --json`).

field: the semi-angle covered in degrees (None: the design's); grid:
points along each direction, 1 to 41; rays: at least this many pupil rays
a point, 1 to 100000; wavelength in micrometres.)")
        .def(
            "throughfocus",
            [](const Design& d, const std::string& field, std::optional<double> step, int rays,
               double wavelength) {
                ThroughFocusOptions o;
                o.field = oneField(field);
                if (step && !(std::isfinite(*step) && *step > 0))
                    throw py::value_error("step: " + fullPrecision(*step) + " is not a number above 0");
                o.step = step.value_or(0);
                o.rays = inRange("rays", rays, 1, kMaxQualityRays);
                o.wavelengthMicrons = wavelengthOf(wavelength);
                const ThroughFocusResult r =
                    withoutInterpreterLock(d, [&](const Design& c) { return computeThroughFocus(c, o); });
                // The field's own chief ray may still fail where the design view traced.
                if (r.status != kTraceOk) raiseTraceError(r.status);
                return toPython(throughFocusJson(r));
            },
            py::kw_only(), py::arg("field") = "center", py::arg("step") = py::none(),
            py::arg("rays") = kDefaultQualityRays, py::arg("wavelength") = kQualityWavelengthMicrons,
            R"(The spots of one field with the focal plane moved through focus (the
command line's `throughfocus --json`).

field: 'center', 'minus', 'plus' or 'sagittal'; step: the focus step in
the design's unit (None: the depth of focus 2 lambda F^2); rays: at least
this many pupil rays; wavelength in micrometres.  TraceError when the
field's chief ray fails.)")
        .def(
            "tolerance",
            [](const Design& d, const std::optional<std::vector<std::string>>& tolerances,
               const std::string& compensate, const std::string& criterion, std::optional<double> threshold,
               std::optional<int> trials, std::uint64_t seed, const std::string& distribution) {
                const ToleranceOptions o = toleranceOptions(d, tolerances, compensate, criterion, threshold,
                                                            trials, seed, distribution);
                const ToleranceResult r =
                    withoutInterpreterLock(d, [&](const Design& c) { return computeTolerances(c, o); });
                if (r.status == ToleranceStatus::nominalFailed)
                    raiseTraceError(r.traceStatus, "the design as given has no image for " +
                                                       o.criterion.name + ": " +
                                                       traceProblemMessage(r.traceStatus));
                return toPython(toleranceJson(r));
            },
            py::arg("tolerances") = py::none(), py::kw_only(), py::arg("compensate") = "focus",
            py::arg("criterion") = "worst.strehl", py::arg("threshold") = py::none(),
            py::arg("trials") = py::none(), py::arg("seed") = 1, py::arg("distribution") = "uniform",
            R"(How much each mirror value may be off (the command line's
`tolerance --json`): a sensitivity table, each value alone at both ends of
its band and refocused, and with trials a Monte-Carlo run of whole
telescopes built within the bands.

tolerances: texts 'KIND:K=+-V' as --tol takes them (KIND radius,
sagradius, conic, tilt or sep; K a mirror or '*'; a radius's V may end in
'%'); 'default' in the list stands for the stated default set, which later
texts override; None is the default set alone.  compensate: 'focus',
'focus,tilt' or 'none'; criterion: 'worst.FIGURE' or
'quality.FIELD.FIGURE' (FIGURE rmsSpot, rmsWavefront or strehl); threshold:
what a telescope must meet, for the yield; trials: 1 to 1000000 (None:
the sensitivity only); seed and distribution ('uniform' or 'normal') of
the draws.  TraceError when the design as given has no image.)");
}

}  // namespace orvelin::python
