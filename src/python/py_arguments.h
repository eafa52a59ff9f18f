// What the analyses of the module share: the design view's trace that
// every analysis needs first, and the reading and checking of arguments
// with the command line's ranges and messages.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "design/design.h"
#include "quality/image_quality.h"
#include "trace/analysis.h"

namespace orvelin::python {

namespace py = pybind11;

/// The analysis as painting the design view leaves it; TraceError when the
/// design view would not trace (the command line's refusal of every
/// analysis).
AnalysisResults analyseAsDesignView(const Design& design);

/// `compute(copy)` for a design the design view traces (TraceError when it
/// does not), run without the interpreter's lock on a copy that no other
/// thread of the script can change meanwhile.
template <class Compute>
auto withoutInterpreterLock(const Design& design, Compute compute) {
    analyseAsDesignView(design);
    const Design copy = design;
    py::gil_scoped_release free;
    return compute(copy);
}

/// The fields asked for, in the report's order, each once: None for all
/// four, a name, or names.  ValueError for a name that is none of them.
std::vector<QualityField> fieldsOf(const py::object& arg);

/// `v`, or ValueError naming `name` when it is not finite (or, when
/// `nonNegative`, below 0).
double finite(const char* name, double v, bool nonNegative);

/// Every bit of a double, as text that reads back to it.
std::string fullPrecision(double v);

}  // namespace orvelin::python
