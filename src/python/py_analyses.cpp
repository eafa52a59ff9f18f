// report, quality, clearance and optimise: each the command line's command
// on a design in memory, giving the dict of its --json.
#include <pybind11/stl.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "clearance/clearance.h"
#include "clearance/clearance_json.h"
#include "optimise/optimise_json.h"
#include "optimise/optimiser.h"
#include "python/py_arguments.h"
#include "python/py_convert.h"
#include "python/py_design.h"
#include "quality/image_quality.h"
#include "quality/quality_json.h"
#include "reports/report_json.h"
#include "trace/layout.h"

namespace orvelin::python {

/// The analysis as painting the design view leaves it; TraceError when the
/// design view would not trace (the command line's refusal of report,
/// quality and clearance).
AnalysisResults analyseAsDesignView(const Design& design) {
    Design d = design;
    TraceState state;
    AnalysisResults results;
    LayoutGeometry geometry;
    if (!measureLayout(d, state, results, geometry)) raiseTraceError(state.status);
    return results;
}

/// The fields asked for, in the report's order, each once: None for all
/// four, a name, or names.
std::vector<QualityField> fieldsOf(const py::object& arg) {
    std::vector<std::string> names;
    if (arg.is_none())
        for (QualityField f : kQualityFields) names.push_back(qualityFieldName(f));
    else if (py::isinstance<py::str>(arg))
        names.push_back(arg.cast<std::string>());
    else
        names = arg.cast<std::vector<std::string>>();
    for (const std::string& name : names)
        if (!qualityFieldFromName(name))
            throw py::value_error("fields: '" + name + "' is not one of center, minus, plus, sagittal");
    std::vector<QualityField> fields;
    for (QualityField f : kQualityFields)
        for (const std::string& name : names)
            if (name == qualityFieldName(f) && (fields.empty() || fields.back() != f)) fields.push_back(f);
    if (fields.empty()) throw py::value_error("fields: name at least one field");
    return fields;
}

double finite(const char* name, double v, bool nonNegative) {
    if (!std::isfinite(v)) throw py::value_error(std::string(name) + " wants a finite number");
    if (nonNegative && v < 0) throw py::value_error(std::string(name) + " wants a number of at least 0");
    return v;
}

std::string fullPrecision(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

namespace {

/// A target given as VALUE or (VALUE, WEIGHT), read as the command line
/// reads FIGURE=VALUE:WEIGHT (every bit of the numbers kept).
OptimiseTarget targetOf(const std::string& figure, const py::handle& spec) {
    std::string text = figure + "=";
    if (py::isinstance<py::tuple>(spec) || py::isinstance<py::list>(spec)) {
        const auto pair = spec.cast<std::vector<double>>();
        if (pair.size() != 2)
            throw py::value_error("targets: '" + figure + "' wants VALUE or (VALUE, WEIGHT)");
        text += fullPrecision(pair[0]) + ":" + fullPrecision(pair[1]);
    } else {
        text += fullPrecision(spec.cast<double>());
    }
    std::string error;
    auto target = parseTarget(text, error);
    if (!target) throw py::value_error("bad target: " + error);
    return *target;
}

}  // namespace

void bindAnalyses(DesignClass& c) {
    c.def(
         "report",
         [](const Design& d) {
             const AnalysisResults r = analyseAsDesignView(d);
             return toPython(reportJson(d, r));
         },
         R"(The trace report: the title, the units and all 30 figures by name, the
field panels as nested dicts (the command line's `report --json`).
TraceError when the design does not trace.)")
        .def(
            "focus",
            [](Design& d, bool curve) {
                Design next = d;
                if (curve) curveFocalPlane(next);
                const AnalysisResults r = analyseAsDesignView(next);
                focusToBestFit(next, r.bestFocus, r.bestFitTilt);
                d = next;
            },
            py::kw_only(), py::arg("curve") = false,
            R"(Move the focal plane to the best focus with the best-fit tilt, as the
command line's `focus` (Focus! in the desktop program); with curve=True
first curve it to the mirrors' field curvature (the Z key).  Changes the
design; TraceError, with the design unchanged, when it does not trace.)")
        .def(
            "quality",
            [](const Design& d, const py::object& fields, int rays, double wavelength) {
                const std::vector<QualityField> chosen = fieldsOf(fields);
                if (rays < 1 || rays > kMaxQualityRays)
                    throw py::value_error("rays: " + std::to_string(rays) + " is not in [1 - " +
                                          std::to_string(kMaxQualityRays) + "]");
                if (!(wavelength >= 1e-6 && wavelength <= 1e6))
                    throw py::value_error("wavelength: " + fullPrecision(wavelength) +
                                          " um is not in [1e-06 - 1e+06]");
                analyseAsDesignView(d);
                // The work runs without the interpreter's lock, on a copy
                // that no other thread of the script can change meanwhile.
                const Design copy = d;
                QualityReport r;
                {
                    py::gil_scoped_release free;
                    r = computeQuality(copy, {rays, wavelength}, chosen);
                }
                return toPython(qualityJson(r, chosen));
            },
            py::kw_only(), py::arg("fields") = py::none(), py::arg("rays") = kDefaultQualityRays,
            py::arg("wavelength") = kQualityWavelengthMicrons,
            R"(Image quality: RMS and geometric spot, wavefront error, Strehl ratio,
Airy radius and best focus of each field (the command line's
`quality --json`).

fields: None for all four, or names among 'center', 'minus', 'plus' and
'sagittal' (given in the report's order); rays: at least this many pupil
rays a field (1 to 1,000,000); wavelength in micrometres.  A field whose
rays fail gives its status and message instead of figures; TraceError when
the design does not trace at all.)")
        .def(
            "clearance",
            [](const Design& d, double edge, std::optional<double> thickness, double margin) {
                ClearanceOptions o;
                o.edge = finite("edge", edge, true);
                o.thickness = thickness ? finite("thickness", *thickness, true) : -1;
                o.margin = finite("margin", margin, false);
                const ClearanceReport r =
                    withoutInterpreterLock(d, [&](const Design& c) { return checkClearance(c, o); });
                if (r.status != kTraceOk) raiseTraceError(r.status);
                return toPython(clearanceJson(r));
            },
            py::kw_only(), py::arg("edge") = 0.0, py::arg("thickness") = py::none(), py::arg("margin") = 0.0,
            R"(The clearance check (the command line's `clearance --json`): every beam
against every mirror body and the focal plane, smallest clearance first.

edge widens every mirror and the image on each side; thickness is every
mirror blank's (None: a sixth of each mirror's diameter); margin the least
clearance every pair must keep; all in design units.  An obstructed design
gives "clear": False; TraceError when the design does not trace.)")
        .def(
            "optimise",
            [](const Design& d, const std::vector<std::string>& vary, const py::object& targets,
               const std::optional<std::string>& minimise, std::optional<double> keepClear,
               int maxIterations) {
                OptimiseProblem p;
                if (maxIterations < 0) throw py::value_error("max_iterations wants a number of at least 0");
                p.maxIterations = maxIterations;
                if (keepClear) p.clearMargin = finite("keep_clear", *keepClear, true);
                p.keepClear = keepClear.has_value();
                if (vary.empty()) throw py::value_error("vary: name at least one variable, such as 'tilt:2'");
                std::string error;
                for (const std::string& v : vary) {
                    auto parsed = parseVariable(v, d, error);
                    if (!parsed) throw py::value_error("bad vary: " + error);
                    p.variables.push_back(*parsed);
                }
                if (!targets.is_none())
                    for (auto item : targets.cast<py::dict>())
                        p.targets.push_back(targetOf(py::str(item.first), item.second));
                if (minimise && *minimise != "spot" && *minimise != "wavefront")
                    throw py::value_error("minimise: '" + *minimise + "' is not 'spot' or 'wavefront'");
                if (minimise || p.targets.empty())
                    p.minimise = minimise == "wavefront" ? MinimiseKind::wavefront : MinimiseKind::spot;
                // Ctrl-C stops the search after the iteration under way; the
                // best design so far is dropped and KeyboardInterrupt raised.
                bool interrupted = false;
                const Design copy = d;
                OptimiseResult r;
                {
                    py::gil_scoped_release free;
                    r = optimise(copy, p, [&](int, double) {
                        py::gil_scoped_acquire held;
                        interrupted = PyErr_CheckSignals() != 0;
                        return !interrupted;
                    });
                }
                if (interrupted) throw py::error_already_set();
                return py::make_tuple(std::make_shared<Design>(r.design), toPython(optimiseJson(p, r)));
            },
            py::arg("vary"), py::kw_only(), py::arg("targets") = py::none(), py::arg("minimise") = py::none(),
            py::arg("keep_clear") = py::none(), py::arg("max_iterations") = 100,
            R"(Vary design values towards targets or the smallest image:
(new design, result).  The design itself is not changed.

vary: variables as the command line names them, 'KIND:K' or
'KIND:K=LOW..HIGH' (KIND radius, conic, rsag, tilt or sep; LOW = HIGH holds
the value there).  targets: {figure: value} or {figure: (value, weight)},
figures named as report() and quality() name them ('comaT',
'quality.plus.rmsSpot').  minimise: 'spot' or 'wavefront' over the four
fields (the default when there are no targets).  keep_clear: keep every
clearance at least this margin.  The result has the keys of the command
line's `optimise --json`; its figures are those of the new design at full
precision (the command line's, of the file it writes, whose values are
rounded to seven digits).)");
}

}  // namespace orvelin::python
