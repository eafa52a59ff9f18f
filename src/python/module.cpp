// The Python module orvelin: the core's designs, analyses and traces for
// scripts and notebooks.  The package's __init__ gathers this extension
// and the exceptions of _errors into one namespace.
#include <pybind11/pybind11.h>

#include "python/py_design.h"

PYBIND11_MODULE(_orvelin, m) {
    m.doc() = "The core of orvelin (use the package orvelin).";
    auto design = orvelin::python::bindDesign(m);
    orvelin::python::bindAnalyses(design);
    orvelin::python::bindImageAnalyses(design);
    orvelin::python::bindFamilies(m);
    orvelin::python::bindTraces(design);
}
