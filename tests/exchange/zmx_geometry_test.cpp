// The key check of the geometry: real rays through a design's own trace
// land where an independent trace of the same surfaces, placed in space,
// puts them.  First the placement of a design's frames is checked against
// its trace; then every imported file (its surfaces placed by composing its
// breaks and thicknesses) and every exported one against the design.
#include <gtest/gtest.h>

#include <random>

#include "design/design_file.h"
#include "exchange/zmx_export.h"
#include "exchange/zmx_import.h"
#include "global_trace.h"
#include "support/test_designs.h"
#include "trace/ray_trace.h"

using namespace orvelin;
using namespace orvelin::exchange;
using namespace orvelin::testing;

namespace {

constexpr double kRelative = 1e-9;  // image points, relative to the system's size
// The design's toroid is met by successive tangent planes, stopped when the
// sag changes by 1e-12 and reflected with the normal of the pass before: a
// few parts in 1e8 of the system's size, where a sign error costs millimetres.
constexpr double kRelativeToroid = 1e-6;

/// Rays across the pupil (axis, rim in and across the plane of the tilts,
/// a diagonal) at the axis and at both field edges and across.
struct RaySpec {
    double px, py;  // fractions of the semi-aperture
    int field;      // 0 axis, 1 +edge, 2 -edge, 3 sagittal edge
};
std::vector<RaySpec> raySet() {
    std::vector<RaySpec> out;
    for (int f = 0; f < 4; ++f)
        for (auto [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.0}, {-1.0, 0.0}, {0.0, 1.0}, {0.6, -0.6}})
            out.push_back({x, y, f});
    return out;
}

/// The ray's start in the design's entrance frame and the Orvelin trace's
/// image point in the focal plane's frame; false if the design's own trace
/// misses.
bool orvelinRay(Design& d, const RaySpec& spec, Vec3& start, Vec3& dir, Vec3& image) {
    TraceState state;
    if (!setEntranceTangential(d, state)) return false;
    RayState& r = state.ray;
    if (spec.field == 0)
        startAxialRay(r);
    else if (spec.field == 1)
        startFieldRayPlus(d, r);
    else if (spec.field == 2)
        startFieldRayMinus(d, r);
    else
        startFieldRaySagittal(d, r);
    r.x = spec.px * d.semiAperture;
    r.y = spec.py * d.semiAperture;
    const std::vector<Frame> frames = designFrames(d);
    start = frames[1].toGlobal({r.x, r.y, -d.surfaces[0].signedSeparation});
    dir = {r.L, r.M, r.N};
    if (!traceToFocalPlane(d, state)) return false;
    image = frames[d.surfaceCount].toGlobal({r.x, r.y, r.z});
    return true;
}

double sizeOf(const std::vector<GlobalSurface>& surfaces, double aperture) {
    double size = aperture;
    for (const GlobalSurface& s : surfaces) size = std::max(size, exchange::norm(s.frame.origin));
    return size;
}

/// Every ray of the set lands on the same point through both traces; the
/// design's rays are carried into the other surfaces' space by `entrance`.
/// Returns the number of rays compared.
int compareTraces(Design d, const std::vector<GlobalSurface>& surfaces, const Frame& entrance,
                  const std::string& what) {
    bool toroid = false;
    for (int i = 1; i <= d.surfaceCount; ++i) toroid = toroid || d.surfaces[i].kind == kToroid;
    const double tolerance = (toroid ? kRelativeToroid : kRelative) * sizeOf(surfaces, d.aperture);
    int compared = 0, ambiguous = 0;
    for (const RaySpec& spec : raySet()) {
        Vec3 start, dir, image;
        if (!orvelinRay(d, spec, start, dir, image)) continue;
        // A ray far off the axis of a strongly curved toroid or conic can be
        // met on another part of the surface by the two traces; such a ray
        // says nothing about the placement, and both traces of the design's
        // own frames show it.
        const std::optional<Vec3> own = traceGlobal(designSurfaces(d), start, dir);
        if (!own || exchange::norm(*own - image) > tolerance) {
            ++ambiguous;
            continue;
        }
        const std::optional<Vec3> other =
            traceGlobal(surfaces, entrance.toGlobal(start), entrance.axes * dir);
        EXPECT_TRUE(other.has_value()) << what;
        if (!other) continue;
        const Vec3 want = entrance.toGlobal(image);
        EXPECT_LE(exchange::norm(*other - want), tolerance)
            << what << " ray (" << spec.px << ", " << spec.py << ") field " << spec.field << ": (" << other->x
            << ", " << other->y << ", " << other->z << ") against (" << want.x << ", " << want.y << ", "
            << want.z << ")";
        ++compared;
    }
    EXPECT_LE(ambiguous, 2) << what;
    return compared;
}

/// The mirrors and the image of a read file, placed where its breaks and
/// thicknesses put them, as surfaces of the independent trace.
std::vector<GlobalSurface> fileSurfaces(const ZmxFile& file) {
    const std::vector<Frame> at = placeZmxSurfaces(file);
    std::vector<GlobalSurface> out;
    for (std::size_t k = 1; k < file.surfaces.size(); ++k) {
        const ZmxSurface& s = file.surfaces[k];
        const bool image = k + 1 == file.surfaces.size();
        if (!image && (s.glass != ZmxGlass::mirror || s.isBreak())) continue;
        GlobalSurface g{at[k], s.type == "TOROIDAL", s.curvature, s.curvature, 1 + s.conic};
        if (g.toroid) g.cx = s.parameter(1) == 0 ? 0 : 1 / s.parameter(1);  // across the y-z curve
        out.push_back(g);
    }
    return out;
}

Design loadExample(const char* name) {
    Design d;
    EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name).accepted());
    return d;
}

/// Random designs of 1 to 6 mirrors: conics of every kind, flats, toroids,
/// tilts of either sign, a curved and tilted focal plane.
Design randomDesign(std::mt19937& rng) {
    std::uniform_real_distribution<double> u(0, 1);
    const int mirrors = 1 + static_cast<int>(u(rng) * 6);
    std::vector<SurfaceSpec> specs;
    for (int i = 0; i <= mirrors; ++i) {
        SurfaceSpec s;
        const bool image = i == mirrors;
        s.radius = u(rng) < 0.15
                       ? 0
                       : (u(rng) < 0.5 ? -1 : 1) * (image ? 2000 + 8000 * u(rng) : 800 + 4000 * u(rng));
        s.kind = !image && u(rng) < 0.2 ? kToroid : kConic;
        s.conic = s.kind == kToroid ? s.radius * (0.9 + 0.2 * u(rng)) : (u(rng) < 0.3 ? 0 : -1 + 4 * u(rng));
        s.tilt = u(rng) < 0.25 ? 0 : -12 + 24 * u(rng);
        s.separation = 200 + 1500 * u(rng);
        specs.push_back(s);
    }
    return makeDesign(specs, 20 + 200 * u(rng), u(rng) < 0.2 ? 0 : 0.8 * u(rng),
                      u(rng) < 0.3 ? "inches" : "mm");
}

}  // namespace

TEST(ZmxGeometry, DesignFramesAgreeWithTheDesignsOwnTrace) {
    // The independent trace over the design's frames, before either is
    // trusted with a file: every example, the three-mirror test designs and
    // random ones.
    std::vector<Design> designs = {loadExample("paraboloid-f5.ov"), loadExample("schiefspiegler.ov"),
                                   loadExample("toroid.ov"),        loadExample("sphere.ov"),
                                   threeMirrorTilted(true),         threeMirrorTilted(false)};
    std::mt19937 rng(17);
    for (int k = 0; k < 40; ++k) designs.push_back(randomDesign(rng));
    int compared = 0;
    for (const Design& d : designs) compared += compareTraces(d, designSurfaces(d), Frame{}, d.designTitle);
    EXPECT_GT(compared, 300);
}

TEST(ZmxGeometry, ImportedFilesTraceLikeTheirComposedSurfaces) {
    for (const char* name : {"newtonian-fold.zmx", "schiefspiegler-tilt-return.zmx",
                             "paraboloid-fnum-meter.zmx", "toroid-fold-utf16.zmx"}) {
        const ZmxImportResult r = importZmxFile(std::string(ORVELIN_TEST_DATA) + "/zmx/" + name);
        ASSERT_TRUE(r.accepted()) << name << ": " << r.message;
        EXPECT_EQ(compareTraces(r.design, fileSurfaces(r.file), r.entrance, name), 20) << name;
    }
}

TEST(ZmxGeometry, ExportedFilesTraceLikeTheDesign) {
    // What another program reads from an export: the file's own surfaces,
    // placed by its breaks, against the design's trace.
    std::vector<Design> designs = {loadExample("paraboloid-f5.ov"), loadExample("schiefspiegler.ov"),
                                   loadExample("toroid.ov"), threeMirrorTilted(true)};
    std::mt19937 rng(1717);
    for (int k = 0; k < 40; ++k) designs.push_back(randomDesign(rng));
    int compared = 0;
    for (const Design& d : designs) {
        const ZmxReadResult read = readZmx(formatZmx(d));
        ASSERT_TRUE(read.ok) << read.message;
        const ZmxImportResult back = importZmx(read.file, "t");
        ASSERT_TRUE(back.accepted()) << back.message;
        compared += compareTraces(d, fileSurfaces(read.file), back.entrance, d.designTitle);
    }
    EXPECT_GT(compared, 300);
}
