// orvelin.design_family: New from a family for scripts, as the command
// line's `design` makes it, with its figures as `design --json` gives them.
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "families/family.h"
#include "python/py_convert.h"
#include "python/py_design.h"

namespace orvelin::python {

void bindFamilies(py::module_& m) {
    m.def(
        "design_family",
        [](const std::string& family, double aperture, double fRatio, double field,
           std::optional<double> margin, const std::string& units) {
            FamilyRequest req;
            const auto f = familyFromWord(family);
            if (!f)
                throw py::value_error("family: '" + family +
                                      "' is not one of herschelian, kutter, yolo, trischiefspiegler");
            req.family = *f;
            req.aperture = aperture;
            req.fRatio = fRatio;
            req.fieldDegrees = field;
            req.units = units;
            // The default margin is the command line's: 5 mm or 0.2 inch.
            req.margin = margin.value_or(units == "mm" ? 5.0 : 0.2);
            if (const auto problem = familyRequestProblem(req)) throw py::value_error(*problem);
            FamilyResult r;
            {
                py::gil_scoped_release free;
                r = designFamily(req);
            }
            py::object figures = toPython(familyJson(req, r));
            if (!r.ok) raiseFamilyRefused(family + ": " + r.reason, r.reason, figures);
            return py::make_tuple(std::make_shared<Design>(r.design), figures);
        },
        py::arg("family"), py::arg("aperture"), py::arg("f_ratio"), py::arg("field") = 0.0,
        py::arg("margin") = py::none(), py::arg("units") = "mm",
        R"doc(A ready, clear, corrected unobstructed telescope of a classic family, as
the command line's `design` makes it: (design, figures), the design titled
"(New Design)" and the figures with the keys of `design --json`.

family: 'herschelian', 'kutter', 'yolo' or 'trischiefspiegler'; aperture
(exact in the result) and margin (the least clearance of every mirror,
blank and the focus from every beam; None: 5 mm or 0.2 inch) in `units`
('mm' or 'inches'); f_ratio (met within 2 %); field: the full field in
degrees.  A request the family cannot meet raises FamilyRefusedError with
the reason and the figures it reached; bad values ValueError.)doc");
}

}  // namespace orvelin::python
