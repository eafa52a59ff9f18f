// The Python classes of the module: Design and its Surface records.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "design/design.h"

namespace orvelin::python {

namespace py = pybind11;

/// The Python class Design, bound to a shared design.
using DesignClass = py::class_<Design, std::shared_ptr<Design>>;

/// Design's files, properties and surfaces, the Surface class and the .zmx
/// exchange.
DesignClass bindDesign(py::module_& m);
/// report, quality, clearance and optimise.
void bindAnalyses(DesignClass& c);
/// diffraction, fans, fieldcurves, fieldmap, throughfocus and tolerance.
void bindImageAnalyses(DesignClass& c);
/// The module's design_family.
void bindFamilies(py::module_& m);
/// trace, trace_ray and trace_pupil.
void bindTraces(DesignClass& c);

}  // namespace orvelin::python
