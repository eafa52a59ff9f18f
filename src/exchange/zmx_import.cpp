#include "exchange/zmx_import.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "design/design_file.h"

namespace orvelin::exchange {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
/// Two directions closer than this (radians) are taken as one: a file's
/// numbers carry 15 or more digits, so real tilts are far larger.
constexpr double kAngleTolerance = 1e-9;
/// Positions agree within this fraction of the system's size.
constexpr double kPositionTolerance = 1e-9;
/// Lengths and curvatures beyond this cannot be a telescope and would
/// overflow the composition of positions.
constexpr double kMaxLength = 1e15;

std::string lineOf(int line) {
    return "line " + std::to_string(line) + ": ";
}

std::string figure(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", v);
    return buf;
}

/// Values come out of the composition with rounding in their last digits:
/// the shortest decimal within 1e-13 gives back the numbers a designer typed.
double clean(double v) {
    if (v == 0 || !std::isfinite(v)) return v == 0 ? 0.0 : v;
    for (int digits = 6; digits <= 15; ++digits) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*g", digits, v);
        const double r = std::strtod(buf, nullptr);
        if (std::abs(r - v) <= 1e-13 * std::abs(v)) return r;
    }
    return v;
}

/// One surface of the design found in the file: a mirror or the image.
struct Element {
    int index = 0;  ///< surface number in the file
    bool image = false;
};

/// Paraxial focal length of the design's mirrors, tilts set aside: the
/// focal length an F-number refers to.  0 for an afocal system.  A y-nu
/// trace in the trace's signed convention: the medium signs are the
/// indices, so a mirror's power (s' - s) / R~ is negative for a convex one.
double paraxialFocalLength(const Design& d) {
    double y = 1, nu = 0;
    for (int i = 1; i < d.surfaceCount; ++i) {
        const double sIn = d.surfaces[i].mediumSign, sOut = d.surfaces[i + 1].mediumSign;
        nu -= y * (sOut - sIn) * d.surfaces[i].curvature;
        if (i + 1 < d.surfaceCount) y += nu / sOut * d.surfaces[i].signedSeparation;
    }
    return nu == 0 ? 0.0 : -1 / nu;
}

/// The axis of the beam in the space before the next element, as the
/// design's surfaces are built one after the other.
struct Beam {
    Vec3 ey;  ///< the design's sagittal direction, the same in every space
    Vec3 u;   ///< the light's direction
    Vec3 p;   ///< a point of the axis
    Vec3 ez;  ///< the trace's z axis in this space: the light times the medium sign
    Vec3 ex;
};

/// The import of one read file, step by step (see run).  Each step that can
/// refuse the file returns false once it has.
struct Importer {
    const ZmxFile& file;
    const std::vector<ZmxSurface>& s;  ///< the file's surfaces, object first
    ZmxImportResult out;

    std::vector<Element> elements;  ///< the mirrors and the image
    int stopIndex = 1;              ///< the surface the file marks as the stop
    double size = 1;                ///< of the mirrors and the image, which scales the tolerances
    double tolerance = 0;           ///< how far off the axis a curved surface may sit
    Vec3 axis{1, 0, 0};             ///< normal to the plane of the tilts

    explicit Importer(const ZmxFile& f) : file(f), s(f.surfaces) {}

    ZmxImportResult& refuse(const std::string& why) {
        out.status = ZmxImportStatus::refused;
        out.message = why;
        return out;
    }

    std::string name(const Element& e, int mirror) const {
        return e.image ? "the image surface" : "mirror " + std::to_string(mirror);
    }

    /// Surface types a mirror or the image can be, with their refusals.
    bool checkShape(const ZmxSurface& zs, const std::string& who) {
        if (zs.type == "EVENASPH") {
            for (const auto& [i, v] : zs.parameters)
                if (i >= 1 && i <= 8 && v != 0) {
                    refuse(lineOf(zs.parameterLines.at(i)) + who + " is an even asphere with PARM " +
                           std::to_string(i) + " = " + figure(v) + ": only conics can be held");
                    return false;
                }
        } else if (zs.type == "TOROIDAL") {
            if (zs.conic != 0) {
                refuse(lineOf(zs.line) + who + " is a toroid with a conic constant (CONI " +
                       figure(zs.conic) + "): Orvelin's toroid has none");
                return false;
            }
            for (const auto& [i, v] : zs.parameters)
                if (i >= 2 && i <= 8 && v != 0) {
                    refuse(lineOf(zs.parameterLines.at(i)) + who +
                           " is a toroid with an aspheric term (PARM " + std::to_string(i) + " = " +
                           figure(v) + "): Orvelin's toroid has none");
                    return false;
                }
        } else if (zs.isBreak()) {
            refuse(lineOf(zs.line) + who + " is a coordinate break");
            return false;
        }
        return true;
    }

    bool flat(const ZmxSurface& zs) const {
        return zs.curvature == 0 && (zs.type != "TOROIDAL" || zs.parameter(1) == 0);
    }

    ZmxImportResult run(const std::string& title);

    bool checkDistances();
    bool findElements();
    bool measureSystem();
    void findTiltPlane();
    Beam startBeam();
    bool placeVertex(std::size_t j, const Beam& beam, double& t, Vec3& vertex);
    bool shapeSurface(std::size_t j, const Beam& beam);
    bool buildSurfaces();
    bool setAperture();
    bool setField();
    bool checkRange();
    void finish(const std::string& title);
};

ZmxImportResult Importer::run(const std::string& title) {
    out.file = file;
    if (!checkDistances()) return out;
    out.placements = placeZmxSurfaces(file);
    if (!findElements()) return out;
    if (!measureSystem()) return out;
    findTiltPlane();
    if (!buildSurfaces()) return out;
    if (!setAperture()) return out;
    if (!setField()) return out;
    if (!checkRange()) return out;
    finish(title);
    return out;
}

/// The object at infinity, every other distance finite.
bool Importer::checkDistances() {
    if (s.size() < 2) {
        refuse(lineOf(s[0].line) + "the file has an object but no image surface");
        return false;
    }
    if (!s[0].infiniteThickness) {
        refuse(lineOf(s[0].thicknessLine ? s[0].thicknessLine : s[0].line) +
               "the object is at a finite distance: only an object at infinity can be read");
        return false;
    }
    for (std::size_t k = 1; k < s.size(); ++k)
        if (s[k].infiniteThickness) {
            refuse(lineOf(s[k].thicknessLine) + "an infinite thickness after surface " + std::to_string(k));
            return false;
        }
    return true;
}

/// The mirrors and the image, and the stop; breaks and air surfaces only
/// place them.
bool Importer::findElements() {
    for (std::size_t k = 0; k < s.size(); ++k)
        if (s[k].stop) stopIndex = static_cast<int>(k);
    for (std::size_t k = 1; k + 1 < s.size(); ++k) {
        if (s[k].glass != ZmxGlass::mirror || s[k].isBreak()) continue;
        const int mirror = static_cast<int>(elements.size()) + 1;
        if (mirror > kMaxMirrors) {
            refuse(lineOf(s[k].line) + "a 21st mirror: Orvelin holds at most 20");
            return false;
        }
        if (!checkShape(s[k], "mirror " + std::to_string(mirror))) return false;
        elements.push_back({static_cast<int>(k), false});
    }
    elements.push_back({static_cast<int>(s.size()) - 1, true});
    return checkShape(s.back(), "the image surface");
}

/// The placements are measured from the first mirror; the size of the
/// system, which scales the tolerances, is that of the mirrors and the
/// image, whatever distance the beam travels to reach them.
bool Importer::measureSystem() {
    const std::vector<Frame>& at = out.placements;
    double reach = 1;
    for (const Frame& f : at) reach = std::max(reach, norm(f.origin));
    for (const Element& e : elements) size = std::max(size, norm(at[e.index].origin));
    if (!(reach <= kMaxLength)) {
        refuse("the surfaces lie more than " + figure(kMaxLength) + " from the first: beyond any telescope");
        return false;
    }
    tolerance = kPositionTolerance * size;
    return true;
}

/// The plane of the tilts: the first surface whose normal leaves the axis
/// decides it.  With no tilt at all, the file's y-z plane.
void Importer::findTiltPlane() {
    const std::vector<Frame>& at = out.placements;
    Vec3 u{0, 0, 1};
    for (const Element& e : elements) {
        const Vec3 n = at[e.index].axes.ez;
        const Vec3 c = cross(u, n);
        if (norm(c) > kAngleTolerance) {
            axis = unit(c);
            break;
        }
        u = reflect(u, n);
    }
    // Orient it the same way whatever the file: its largest component positive.
    const double big = std::abs(axis.x) >= std::abs(axis.y) && std::abs(axis.x) >= std::abs(axis.z) ? axis.x
                       : std::abs(axis.y) >= std::abs(axis.z)                                       ? axis.y
                                                                                                    : axis.z;
    if (big < 0) axis = -1 * axis;
}

/// The design with one surface an element, and the beam as it enters.
Beam Importer::startBeam() {
    Design& d = out.design;
    d.surfaceCount = static_cast<int>(elements.size());
    initMediumSigns(d);
    resetDesign(d);
    Beam beam;
    beam.ey = -1 * axis;
    beam.u = Vec3{0, 0, 1};
    // The entrance axis is the object's z axis; its point level with the
    // first mirror keeps every digit.
    const Frame& object = out.placements[0];
    beam.p = Vec3{object.origin.x, object.origin.y, 0};
    beam.ez = d.surfaces[1].mediumSign * beam.u;
    beam.ex = cross(beam.ey, beam.ez);
    out.entrance = Frame{beam.p, {beam.ex, beam.ey, beam.ez}};
    return beam;
}

/// Where the beam's axis meets element j (t along the axis from the beam's
/// point), which gives the separation before it.  A flat surface may slide
/// in its own plane without any change; a curved one must sit on the axis.
bool Importer::placeVertex(std::size_t j, const Beam& beam, double& t, Vec3& vertex) {
    const Element& e = elements[j];
    const int i = static_cast<int>(j) + 1;
    const ZmxSurface& zs = s[e.index];
    const Frame& f = out.placements[e.index];
    const std::string who = name(e, i);
    const Vec3 n = f.axes.ez;
    if (!(std::abs(dot(n, axis)) <= kAngleTolerance)) {
        refuse(lineOf(zs.line) + who + " is tilted about a second axis: all tilts must lie in one plane");
        return false;
    }
    const Vec3& u = beam.u;
    const Vec3& p = beam.p;
    const double un = dot(u, n);
    if (!(std::abs(un) >= kAngleTolerance)) {
        refuse(lineOf(zs.line) + who + " stands edge-on to the beam");
        return false;
    }
    if (flat(zs)) {
        t = dot(f.origin - p, n) / un;
    } else {
        t = dot(f.origin - p, u);
        const double off = norm(f.origin - p - t * u);
        if (!(off <= tolerance)) {
            const std::string from =
                i == 1 ? " from the entrance axis" : " from the axis leaving mirror " + std::to_string(i - 1);
            refuse(lineOf(zs.line) + who + " is decentred by " + figure(off) + from +
                   (e.image ? ": only a flat image surface may sit off the axis"
                            : ": off-axis segments cannot be held"));
            return false;
        }
    }
    vertex = p + t * u;
    if (i == 1)
        out.entrance.origin = vertex;
    else
        out.design.surfaces[i - 1].separation = std::abs(t) <= 1e-12 * size ? 0.0 : clean(t);
    return true;
}

/// Element j's tilt, radii and conic.  The surface's frame in the trace has
/// its z axis along the normal on the side of the incoming axis, turned by
/// the tilt about ey.
bool Importer::shapeSurface(std::size_t j, const Beam& beam) {
    const Element& e = elements[j];
    const int i = static_cast<int>(j) + 1;
    const ZmxSurface& zs = s[e.index];
    const Frame& f = out.placements[e.index];
    const Vec3 n = f.axes.ez;
    const Vec3 zS = dot(n, beam.ez) >= 0 ? n : -1 * n;
    double tilt = std::atan2(-dot(zS, beam.ex), dot(zS, beam.ez)) / kRadiansPerDegree;
    if (std::abs(tilt) < kAngleTolerance / kRadiansPerDegree) tilt = 0;
    const Vec3 xS = cross(beam.ey, zS);
    const double sense = dot(f.axes.ez, zS) > 0 ? 1.0 : -1.0;  // file's z against the trace's
    const double sign = out.design.surfaces[i].mediumSign;
    Surface& out_i = out.design.surfaces[i];
    out_i.tilt = clean(tilt);
    auto radiusOf = [&](double curvature) {
        return curvature == 0 ? 0.0 : clean(-sign / (sense * curvature));
    };
    if (zs.type == "TOROIDAL") {
        const double rotation = zs.parameter(1);
        const double curve = zs.curvature, across = rotation == 0 ? 0.0 : 1 / rotation;
        const Vec3 yFile = f.axes.ey;
        out_i.kind = kToroid;
        if (std::abs(std::abs(dot(yFile, xS)) - 1) < kAngleTolerance) {
            out_i.radius = radiusOf(curve), out_i.sagRadius = radiusOf(across);
        } else if (std::abs(std::abs(dot(yFile, beam.ey)) - 1) < kAngleTolerance) {
            out_i.radius = radiusOf(across), out_i.sagRadius = radiusOf(curve);
        } else {
            refuse(lineOf(zs.line) + name(e, i) +
                   " is a toroid turned about its axis: its sections must lie in and across the plane "
                   "of the tilts");
            return false;
        }
        out_i.conic = 0;
    } else {
        out_i.radius = out_i.sagRadius = radiusOf(zs.curvature);
        out_i.conic = clean(0.0 - zs.conic);
    }
    return true;
}

/// The design's surfaces, element by element along the beam: each placed on
/// the axis leaving the one before, shaped, and the axis reflected on.
bool Importer::buildSurfaces() {
    Design& d = out.design;
    Beam beam = startBeam();
    for (std::size_t j = 0; j < elements.size(); ++j) {
        const Element& e = elements[j];
        const int i = static_cast<int>(j) + 1;
        double t = 0;
        Vec3 vertex;
        if (!placeVertex(j, beam, t, vertex)) return false;
        if (!shapeSurface(j, beam)) return false;
        if (!e.image) {
            if (j + 1 < elements.size() && !std::isfinite(t)) {
                refuse(lineOf(s[e.index].line) + name(e, i) + " cannot be placed");
                return false;
            }
            beam.u = reflect(beam.u, out.placements[e.index].axes.ez);
            beam.p = vertex;
            beam.ez = d.surfaces[i + 1].mediumSign * beam.u;
            beam.ex = cross(beam.ey, beam.ez);
        }
    }
    // Each separation was found only at the surface after it.
    for (int i = 1; i <= d.surfaceCount; ++i) recomputeSurface(d, i);
    return true;
}

/// The aperture, as the file gives it: the entrance pupil, an F-number or
/// the stop's diameter.
bool Importer::setAperture() {
    Design& d = out.design;
    switch (file.aperture) {
        case ZmxAperture::entrancePupil:
            d.aperture = clean(file.apertureValue);
            break;
        case ZmxAperture::fNumber: {
            const double focal = paraxialFocalLength(d);
            if (focal == 0 || !std::isfinite(focal)) {
                refuse(lineOf(file.apertureLine) + "an F-number for an afocal system gives no aperture");
                return false;
            }
            d.aperture = clean(std::abs(focal) / file.apertureValue);
            break;
        }
        case ZmxAperture::floatingStop: {
            const ZmxSurface& stop = s[stopIndex];
            if (!stop.hasSemiDiameter || !(stop.semiDiameter > 0)) {
                refuse(lineOf(file.apertureLine) + "the aperture floats on the stop (surface " +
                       std::to_string(stopIndex) + "), which has no semi-diameter (DIAM)");
                return false;
            }
            d.aperture = clean(2 * stop.semiDiameter);
            break;
        }
        case ZmxAperture::none:
            refuse("the file gives no aperture (ENPD, FNUM or FLOA)");
            return false;
    }
    recomputeAperture(d);
    return true;
}

/// The field: the largest angle of the file's fields, on either axis.
bool Importer::setField() {
    double field = 0;
    auto widen = [&](const std::vector<double>& list) {
        const std::size_t count =
            file.fieldCount < 0 ? list.size() : std::min<std::size_t>(list.size(), file.fieldCount);
        for (std::size_t k = 0; k < count; ++k) field = std::max(field, std::abs(list[k]));
    };
    widen(file.xFields);
    widen(file.yFields);
    if (field >= 90) {
        refuse("a field angle of " + figure(field) + " degrees: the beam cannot reach the mirrors");
        return false;
    }
    out.design.fieldSemiAngle = clean(field);
    recomputeField(out.design);
    return true;
}

/// Every value of the design within the range Orvelin keeps.
bool Importer::checkRange() {
    const Design& d = out.design;
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const Surface& v = d.surfaces[i];
        const double values[] = {v.radius,    v.sagRadius,    v.conic,           v.separation,
                                 v.curvature, v.sagCurvature, v.signedSeparation};
        for (double x : values)
            if (!(std::abs(x) <= kMaxLength)) {
                refuse(lineOf(s[elements[i - 1].index].line) + name(elements[i - 1], i) +
                       " has a value beyond the range of numbers Orvelin keeps");
                return false;
            }
    }
    if (!(d.aperture <= kMaxLength)) {
        refuse(lineOf(file.apertureLine) + "the aperture is beyond any telescope");
        return false;
    }
    return true;
}

/// Units and title, and the warnings on how the figures will differ from
/// the file's.
void Importer::finish(const std::string& title) {
    Design& d = out.design;
    d.units = file.inches ? "inches" : "mm";
    d.designTitle = title;

    out.status = ZmxImportStatus::ok;
    if (elements.size() > 1 && d.surfaces[1].tilt != 0) {
        out.warnings.push_back("mirror 1 is tilted by " + figure(d.surfaces[1].tilt) +
                               " degrees: Orvelin measures the aperture in mirror 1's plane, so its beam is "
                               "narrower in the plane of the tilts by the cosine of the tilt (" +
                               figure(std::cos(d.surfaces[1].tilt * kRadiansPerDegree)) +
                               ") and the figures differ a little from those of a circular pupil");
    }
    if (elements.size() > 1 && stopIndex != elements[0].index) {
        out.warnings.push_back(
            lineOf(s[stopIndex].line) + "the stop is surface " + std::to_string(stopIndex) +
            ", not the first mirror: Orvelin's stop is the first mirror, so off-axis figures "
            "will differ");
    }
    if (!out.warnings.empty()) out.status = ZmxImportStatus::warnings;
}

Axes breakRotation(const ZmxSurface& s, bool reverse) {
    const Axes x = rotationX(s.parameter(3) * kRadiansPerDegree);
    const Axes y = rotationY(s.parameter(4) * kRadiansPerDegree);
    const Axes z = rotationZ(s.parameter(5) * kRadiansPerDegree);
    return reverse ? z * y * x : x * y * z;
}

}  // namespace

std::vector<Frame> placeZmxSurfaces(const ZmxFile& file) {
    // The frames are composed from the object on, but every position is
    // summed from the reference surface outwards: a long entrance distance
    // (exports write one the size of the design) then costs the short
    // separations between the mirrors none of their digits.
    const std::size_t count = file.surfaces.size();
    std::size_t reference = count == 0 ? 0 : count - 1;
    for (std::size_t k = 1; k < count; ++k)
        if (file.surfaces[k].glass == ZmxGlass::mirror && !file.surfaces[k].isBreak()) {
            reference = k;
            break;
        }
    std::vector<Frame> at;
    std::vector<Vec3> before(count), after(count);  // moves up to each surface and past it
    Axes axes;
    for (std::size_t k = 0; k < count; ++k) {
        const ZmxSurface& s = file.surfaces[k];
        Vec3 move;
        if (s.isBreak() && k > 0) {
            // Order 0: decenter, then tilt about x, y, z in turn; any other
            // order undoes that: tilts about z, y, x, then the decenter.
            const Vec3 decenter{s.parameter(1), s.parameter(2), 0};
            const bool reverse = s.parameter(6) != 0;
            if (!reverse) move = axes * decenter;
            axes = axes * breakRotation(s, reverse);
            if (reverse) move = axes * decenter;
        }
        before[k] = move;
        at.push_back(Frame{{}, axes});
        // The object's distance is infinite: surface 1 starts where the object is.
        if (k > 0 && !s.infiniteThickness) after[k] = axes * Vec3{0, 0, s.thickness};
    }
    // Surface k lies at the sum of the moves from the reference to it.
    Vec3 p;
    for (std::size_t k = reference + 1; k < count; ++k) {
        p = p + after[k - 1] + before[k];
        at[k].origin = p;
    }
    p = Vec3{};
    for (std::size_t k = reference; k-- > 0;) {
        p = p - before[k + 1] - after[k];
        at[k].origin = p;
    }
    return at;
}

ZmxImportResult importZmx(const ZmxFile& file, const std::string& title) {
    Importer importer(file);
    return importer.run(title);
}

ZmxImportResult importZmxText(const std::string& bytes, const std::string& title) {
    ZmxReadResult read = readZmx(bytes);
    if (!read.ok) {
        ZmxImportResult r;
        r.message = read.message;
        return r;
    }
    return importZmx(read.file, title);
}

ZmxImportResult importZmxFile(const std::string& path) {
    ZmxReadResult read = readZmxFile(path);
    if (!read.ok) {
        ZmxImportResult r;
        r.message = read.message;
        return r;
    }
    std::string title = fileNameOfPath(path);
    const std::size_t dot = title.rfind('.');
    if (dot != std::string::npos && dot > 0) title.erase(dot);
    return importZmx(read.file, title);
}

}  // namespace orvelin::exchange
