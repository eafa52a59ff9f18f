#include "python/py_design.h"

#include <pybind11/stl.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "app/command_rules.h"
#include "app/dialog_logic.h"
#include "design/design_file.h"
#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "python/py_convert.h"
#include "trace/design_saving.h"
#include "trace/layout.h"

namespace orvelin::python {

namespace {

/// A value typed into a dialog's number box: a finite number that a double
/// can tell from zero, else ValueError naming the value, as the dialogs
/// refuse such text.
double entered(const char* name, double v) {
    if (std::isnan(v)) throw py::value_error(std::string(name) + ": nan is not a number");
    if (std::isinf(v))
        throw py::value_error(std::string(name) + ": " + (v > 0 ? "inf" : "-inf") + " is too large");
    if (v != 0 && std::fabs(v) < DBL_MIN)
        throw py::value_error(std::string(name) + ": " + py::repr(py::float_(v)).cast<std::string>() +
                              " is too small to tell from zero");
    return v;
}

/// One surface of a design, by its number (1 .. n, n the focal plane), as a
/// live record: reading gives the design's values, writing stores them as
/// OK in the surface or focal-plane dialog does.
struct SurfaceRef {
    std::shared_ptr<Design> design;
    int number = 1;

    Surface& surface() const {
        if (number > design->surfaceCount)
            throw py::index_error("surface " + std::to_string(number) +
                                  " is no longer in the design (it has " +
                                  std::to_string(design->surfaceCount) + ")");
        return design->surfaces[number];
    }
    bool focalPlane() const { return number == design->surfaceCount; }

    /// What the dialog holds for the surface now.
    SurfaceEntry entry() const {
        const Surface& s = surface();
        return SurfaceEntry{s.kind, s.radius, secondIsSagittal(s.kind) ? s.sagRadius : s.conic, s.tilt,
                            s.separation};
    }
    void store(const SurfaceEntry& e) const {
        surface();
        applySurfaceEntry(*design, number, e);
    }
};

void checkKind(int kind) {
    if (kind != kConic && kind != kToroid)
        throw py::value_error("kind: " + std::to_string(kind) + " is not 0 (conic) or 1 (toroid)");
}

/// The entry for a surface record given as a Surface or a dict with the
/// keys kind, radius, sag_radius, conic, tilt and separation (missing ones 0;
/// a conic's sag_radius may be left out or equal its radius).
SurfaceEntry entryOfRecord(const py::handle& record, bool focalPlane, int number) {
    const std::string where = "surface " + std::to_string(number) + " ";
    if (py::isinstance<SurfaceRef>(record)) return record.cast<SurfaceRef>().entry();
    if (!py::isinstance<py::dict>(record)) throw py::type_error(where + "is neither a Surface nor a dict");
    const py::dict d = record.cast<py::dict>();
    for (auto item : d) {
        const std::string key = py::str(item.first);
        if (key != "kind" && key != "radius" && key != "sag_radius" && key != "conic" && key != "tilt" &&
            key != "separation" && key != "number" && key != "name")
            throw py::value_error(where + "has no value '" + key + "'");
    }
    auto value = [&](const char* key) { return d.contains(key) ? entered(key, d[key].cast<double>()) : 0.0; };
    SurfaceEntry e;
    e.kind = d.contains("kind") ? d["kind"].cast<int>() : kConic;
    checkKind(e.kind);
    e.radius = value("radius");
    e.tilt = value("tilt");
    e.separation = value("separation");
    if (focalPlane && e.separation != 0)
        throw py::value_error(where + "is the focal plane: it has no separation");
    if (e.kind == kConic) {
        e.second = value("conic");
        if (d.contains("sag_radius") && value("sag_radius") != e.radius)
            throw py::value_error(where + "is a conic: its sag_radius follows its radius");
    } else {
        e.second = d.contains("sag_radius") ? value("sag_radius") : e.radius;
        if (value("conic") != 0) throw py::value_error(where + "is a toroid: a toroid has no conic constant");
    }
    return e;
}

void setSurfaces(Design& d, const py::sequence& records) {
    const int n = static_cast<int>(py::len(records));
    if (n < 1 || n > kMaxSurfaces)
        throw py::value_error("surfaces: " + std::to_string(n) + " records; a design has 1 to " +
                              std::to_string(kMaxSurfaces) + " (its mirrors and the focal plane)");
    std::vector<SurfaceEntry> entries;
    for (int k = 1; k <= n; ++k) entries.push_back(entryOfRecord(records[k - 1], k == n, k));
    // Only once every record is accepted does the design change.
    Design next = d;
    const double aperture = d.aperture, field = d.fieldSemiAngle;
    startNewDesign(next, n - 1);
    applyApertureField(next, aperture, field);
    for (int k = 1; k <= n; ++k) applySurfaceEntry(next, k, entries[k - 1]);
    d = next;
}

Design loadFile(const std::string& path, bool allowDamaged) {
    Design d;
    const LoadResult r = loadDesign(d, path);
    if (r.status == LoadStatus::unreadable) raiseFileError(path, r.message);
    if (r.status == LoadStatus::refused) raiseDesignFileError(path, r.message, lineOfMessage(r.message));
    if (r.status == LoadStatus::damaged) {
        if (!allowDamaged) raiseDesignFileError(path, r.message, r.damagedLine);
        warnDamaged(path, r);
    }
    return d;
}

std::string reprOf(const Design& d) {
    return "<orvelin.Design '" + d.designTitle + "': " + std::to_string(d.mirrorCount()) + " mirror" +
           (d.mirrorCount() == 1 ? "" : "s") + ", aperture " +
           py::repr(py::float_(d.aperture)).cast<std::string>() + " " + d.units + ">";
}

}  // namespace

DesignClass bindDesign(py::module_& m) {
    py::class_<SurfaceRef> s(m, "Surface",
                             R"(One surface of a design: a mirror, or the last one, the focal plane.

A live record: reading gives the design's values now, and writing stores
a value as OK in the surface dialog does (a conic's sagittal radius follows
its radius, a toroid has no conic constant), after the dialog's checks:
every value a finite number, ``kind`` 0 or 1, no separation after the focal
plane.  Lengths are in the design's units, tilts in degrees.)");
    s.def_property_readonly(
         "number", [](const SurfaceRef& r) { return r.number; },
         "The surface's number, 1 for the first mirror; the focal plane's is the design's last.")
        .def_property_readonly(
            "name",
            [](const SurfaceRef& r) {
                return std::string(surfaceKindName(*r.design, (r.surface(), r.number)));
            },
            "Its kind as the design table names it: sphere, parab, hyperb, ellip, oblate, flat, toroid.")
        .def_property(
            "kind", [](const SurfaceRef& r) { return r.surface().kind; },
            [](const SurfaceRef& r, int kind) {
                checkKind(kind);
                // As ticking or clearing the dialog's toroid box: the second
                // box then shows the stored sagittal radius or conic constant.
                SurfaceEntry e = r.entry();
                e.kind = kind;
                e.second = secondValueShown(*r.design, r.number, kind == kToroid);
                r.store(e);
            },
            "0 for a conic, 1 for a toroid (other numbers only come from files).")
        .def_property(
            "radius", [](const SurfaceRef& r) { return r.surface().radius; },
            [](const SurfaceRef& r, double v) {
                SurfaceEntry e = r.entry();
                e.radius = entered("radius", v);
                r.store(e);
            },
            "Radius of curvature (the tangential one of a toroid); 0 for a flat.")
        .def_property(
            "sag_radius", [](const SurfaceRef& r) { return r.surface().sagRadius; },
            [](const SurfaceRef& r, double v) {
                if (!secondIsSagittal(r.surface().kind)) {
                    if (v == r.surface().sagRadius) return;
                    throw py::value_error("sag_radius: surface " + std::to_string(r.number) +
                                          " is a conic: its sagittal radius follows its radius");
                }
                SurfaceEntry e = r.entry();
                e.second = entered("sag_radius", v);
                r.store(e);
            },
            "Sagittal radius of a toroid; a conic's equals its radius.")
        .def_property(
            "conic", [](const SurfaceRef& r) { return r.surface().conic; },
            [](const SurfaceRef& r, double v) {
                if (secondIsSagittal(r.surface().kind)) {
                    if (v == 0) return;
                    throw py::value_error("conic: surface " + std::to_string(r.number) +
                                          " is a toroid: a toroid has no conic constant");
                }
                SurfaceEntry e = r.entry();
                e.second = entered("conic", v);
                r.store(e);
            },
            "Conic constant K: 0 a sphere, 1 a paraboloid (0 for a toroid).")
        .def_property(
            "tilt", [](const SurfaceRef& r) { return r.surface().tilt; },
            [](const SurfaceRef& r, double v) {
                SurfaceEntry e = r.entry();
                e.tilt = entered("tilt", v);
                r.store(e);
            },
            "Tilt in degrees, in the plane of the layout.")
        .def_property(
            "separation", [](const SurfaceRef& r) { return r.surface().separation; },
            [](const SurfaceRef& r, double v) {
                if (r.focalPlane()) {
                    if (v == 0) return;
                    throw py::value_error("separation: the focal plane has no separation");
                }
                SurfaceEntry e = r.entry();
                e.separation = entered("separation", v);
                r.store(e);
            },
            "Distance to the next surface (0 for the focal plane).")
        .def(
            "as_dict",
            [](const SurfaceRef& r) {
                const Surface& x = r.surface();
                py::dict d;
                d["kind"] = x.kind;
                d["radius"] = x.radius;
                d["sag_radius"] = x.sagRadius;
                d["conic"] = x.conic;
                d["tilt"] = x.tilt;
                d["separation"] = x.separation;
                return d;
            },
            "The entered values as a dict, as Design.surfaces takes them.")
        .def("__repr__", [](const SurfaceRef& r) {
            const Surface& x = r.surface();
            auto f = [](double v) { return py::repr(py::float_(v)).cast<std::string>(); };
            return "<orvelin.Surface " + std::to_string(r.number) + " " +
                   surfaceKindName(*r.design, r.number) + ": radius " + f(x.radius) + ", sag_radius " +
                   f(x.sagRadius) + ", conic " + f(x.conic) + ", tilt " + f(x.tilt) + ", separation " +
                   f(x.separation) + ">";
        });

    DesignClass c(m, "Design", R"(An all-mirror telescope: mirrors 1 .. n-1 and the focal plane n.

Made by Design.new, Design.load or orvelin.import_zmx.  Every property can
be written, with the checks the desktop program's dialogs make; the
analyses (report, quality, clearance, optimise) and the traces never change
the design.)");
    c.def_static(
         "new",
         [](int mirrors) {
             if (mirrors < kMinNewMirrors || mirrors > kMaxMirrors)
                 throw py::value_error("mirrors: " + std::to_string(mirrors) +
                                       " is out of range: enter a count from " +
                                       std::to_string(kMinNewMirrors) + " to " + std::to_string(kMaxMirrors));
             auto d = std::make_shared<Design>();
             startNewDesign(*d, mirrors);
             d->designTitle = kNewDesignTitle;
             return d;
         },
         py::arg("mirrors"),
         "A new design of `mirrors` flat, untilted mirrors and a focal plane, every value 0, units mm.")
        .def_static(
            "load",
            [](const std::string& path, bool allowDamaged) {
                return std::make_shared<Design>(loadFile(path, allowDamaged));
            },
            py::arg("path"), py::kw_only(), py::arg("allow_damaged") = false,
            R"(Read a design file (.ov).

Raises OSError (FileNotFoundError, PermissionError, IsADirectoryError) when
the file cannot be read, DesignFileError when the design cannot hold it or
it is damaged.  With allow_damaged=True a damaged file gives what could be
read, with a DesignFileWarning instead of the error.)")
        .def(
            "save",
            [](const Design& d, const std::string& path) {
                const SaveResult r = saveWithFRatio(d, path);
                if (!r.ok) raiseFileError(path, r.message);
            },
            py::arg("path"),
            "Write the design file (.ov), replacing `path` at once (never half written).  OSError on "
            "failure.")
        .def(
            "export_zmx",
            [](const Design& d, const std::string& path) {
                const WriteResult r = exchange::exportZmxFile(d, path);
                if (!r.ok) raiseFileError(path, r.message);
            },
            py::arg("path"), "Write the design as a sequential .zmx prescription.  OSError on failure.")
        .def(
            "copy", [](const Design& d) { return std::make_shared<Design>(d); },
            "An independent copy of the design.")
        .def("__copy__", [](const Design& d) { return std::make_shared<Design>(d); })
        .def(
            "__deepcopy__", [](const Design& d, py::dict) { return std::make_shared<Design>(d); },
            py::arg("memo"))
        .def(
            "__eq__",
            [](const Design& a, const Design& b) {
                return bitIdentical(a, b) && a.designTitle == b.designTitle;
            },
            py::is_operator())
        .def("__repr__", &reprOf)
        .def_property(
            "title",
            [](const Design& d) {
                return py::str(PyUnicode_DecodeUTF8(d.designTitle.data(), d.designTitle.size(), "replace"));
            },
            [](Design& d, const std::string& t) { d.designTitle = t; },
            "The design's title (a loaded design's file name without its extension).")
        .def_property(
            "units", [](const Design& d) { return d.units; },
            [](Design& d, const std::string& u) {
                if (u != "mm" && u != "inches")
                    throw py::value_error("units: '" + u + "' is not 'mm' or 'inches'");
                d.units = u;
            },
            "'mm' or 'inches': the unit of every length (a label; nothing is converted).")
        .def_property(
            "aperture", [](const Design& d) { return d.aperture; },
            [](Design& d, double v) { applyApertureField(d, entered("aperture", v), d.fieldSemiAngle); },
            "Full diameter of the entrance beam.")
        .def_property(
            "field", [](const Design& d) { return d.fieldSemiAngle; },
            [](Design& d, double v) {
                entered("field", v);
                // A file holds the full field angle: a semi-angle whose
                // double does not exist could never be saved and read back.
                if (!std::isfinite(2 * v))
                    throw py::value_error("field: " + py::repr(py::float_(v)).cast<std::string>() +
                                          " is too large");
                applyApertureField(d, d.aperture, v);
            },
            "Field semi-angle, degrees.")
        .def_property_readonly(
            "mirrors", [](const Design& d) { return d.mirrorCount(); }, "The number of mirrors.")
        .def_property(
            "surfaces",
            [](const std::shared_ptr<Design>& d) {
                std::vector<SurfaceRef> out;
                for (int k = 1; k <= d->surfaceCount; ++k) out.push_back(SurfaceRef{d, k});
                return out;
            },
            [](Design& d, const py::sequence& records) { setSurfaces(d, records); },
            R"(The surfaces in order, the focal plane last, as live Surface records.

Assign a list of Surface records or dicts (kind, radius, sag_radius, conic,
tilt, separation) to replace them all, the number of mirrors with them;
nothing changes unless every record is accepted.)");

    m.def(
        "import_zmx",
        [](const std::string& path) {
            exchange::ZmxImportResult r = exchange::importZmxFile(path);
            if (!r.accepted()) {
                // The reader's two refusals of a file it could not read at all.
                if (r.message == "cannot be read (missing, or not a file)" ||
                    r.message == "cannot be opened for reading")
                    raiseFileError(path, r.message);
                raiseDesignFileError(path, r.message, lineOfMessage(r.message));
            }
            return py::make_tuple(std::make_shared<Design>(r.design), r.warnings);
        },
        py::arg("path"),
        R"(Read a sequential .zmx mirror system: (design, warnings).

The warnings say how the figures will differ from the file's own.  Raises
OSError when the file cannot be read and DesignFileError, with the line and
the reason, when the design cannot hold it.)");
    return c;
}

}  // namespace orvelin::python
