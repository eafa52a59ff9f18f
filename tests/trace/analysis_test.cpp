// The analysis: worked figures to every printed digit, textbook optics,
// and the failures.
#include "trace/analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "reports/report_figures.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::singleMirror;
using orvelin::testing::SurfaceSpec;

namespace {

/// Each figure of `expected` ("name value name value ...", names after
/// `prefix`) as the report prints it: "%10.6f" less the padding, a printed
/// zero perhaps carrying the sign of a tiny residue.
void expectPrinted(const AnalysisResults& r, const std::string& expected, const std::string& prefix = "") {
    std::istringstream in(expected);
    for (std::string name, value; in >> name >> value;) {
        const auto figures = analysisFigures(r);
        const auto f =
            std::find_if(figures.begin(), figures.end(), [&](auto& f) { return f.name == prefix + name; });
        ASSERT_NE(f, figures.end()) << name;
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6f", f->value);
        EXPECT_EQ(std::string(buf) == "-0.000000" ? "0.000000" : buf, value) << prefix << name;
    }
}

AnalysisResults analysed(Design d) {
    TraceState s;
    AnalysisResults r;
    EXPECT_TRUE(analyseSystem(d, s, r)) << "status " << s.status;
    return r;
}

/// The status of an analysis that must fail.
int failure(Design& d) {
    TraceState s;
    AnalysisResults r;
    EXPECT_FALSE(analyseSystem(d, s, r));
    return s.status;
}
int failure(Design&& d) {
    return failure(d);
}

}  // namespace

TEST(Analysis, SphericalMirrorWorkedExample) {
    const AnalysisResults r = analysed(singleMirror(0));
    expectPrinted(r,
                  "lsParaxial 500.000000 ltParaxial 500.000000 astParaxial 0.000000 lsMarginal 499.373826 "
                  "ltMarginal 499.373826 laS -0.626174 laT -0.626174 bestFocus 499.530369 focusS 500.626174 "
                  "focusT 500.626174 fRatio 5.006262 laTolerance 0.224080 comaS 0.000000 comaT 0.000000 "
                  "astMarginal 0.000000");
    // Textbook: a ray at height h on a sphere of radius R crosses the axis
    // at R - R/(2 cos a), sin a = h/R, leaving at 2a, so the marginal focal
    // length is h / sin 2a; the tolerance is a quarter wave of 0.000088 inch
    // over the square of that slope, in inches for a design in inches.
    const double a = std::asin(50.0 / 1000), slope = std::sin(2 * a);
    EXPECT_NEAR(r.lsMarginal, 1000 - 1000 / (2 * std::cos(a)), 1e-6);
    EXPECT_NEAR(r.focusS, 50 / slope, 1e-6);
    EXPECT_NEAR(r.laTolerance, 0.000088 * 25.4 / (slope * slope), 1e-6);
    EXPECT_DOUBLE_EQ(r.laTolerance, 25.4 * analysed(singleMirror(0, 0, 0, "inches")).laTolerance);
}

TEST(Analysis, ParaboloidWorkedExampleWithField) {
    AnalysisResults r = analysed(singleMirror(1));
    expectPrinted(r,
                  "lsMarginal 500.000000 ltMarginal 500.000000 bestFocus 500.000000 focusS 501.250000 "
                  "focusT 501.250000 fRatio 5.012500 laTolerance 0.224639");
    // Textbook: the paraboloid lies f + h^2/(4f) from its focus at height h,
    // and the image of a field angle phi lies f tan(phi) off axis; a design
    // without field gets the figures of a quarter-degree field.
    EXPECT_NEAR(r.focusS, 500 + 50.0 * 50 / 2000, 1e-6);
    EXPECT_NEAR(r.fieldDiameter, 2 * 500 * std::tan(0.25 * kDegree), 1e-3);

    r = analysed(singleMirror(1, 0, 0.5));
    for (const char* side : {"fieldPanelMinus.", "fieldPanelPlus."})
        expectPrinted(r, "ast 0.038363 xS 0.000000 xT -0.038363 comaS -0.010909 comaT -0.032835", side);
    expectPrinted(r, "fieldDiameter 8.726868 tiltS 0.000000 tiltT 0.000000");
    EXPECT_LT(std::fabs(r.anamorphism), 0.0005);  // prints as 0.000 %
    EXPECT_EQ(r.bestFitTilt, 0);                  // exactly: Focus! leaves an untilted plane
    EXPECT_NEAR(r.fieldDiameter, 2 * 500 * std::tan(0.5 * kDegree), 1e-3);
}

TEST(Analysis, TiltedMirrorsFollowCoddington) {
    // A collimated beam meeting a concave mirror at incidence t: sagittal
    // focus R/(2 cos t), tangential focus (R/2) cos t.
    const double t = 5 * kDegree, t2 = 3 * kDegree;
    AnalysisResults r = analysed(singleMirror(0, 5));
    expectPrinted(r, "lsParaxial 501.909919 ltParaxial 498.097349");
    EXPECT_NEAR(r.lsParaxial, 500 / std::cos(t), 1e-6);
    EXPECT_NEAR(r.ltParaxial, 500 * std::cos(t), 1e-6);

    // Two mirrors, worked by hand in vergences: a mirror met at incidence t
    // has power 2 cos t / R sagittally and 2 / (R cos t) tangentially; the
    // first mirror's focus is the (virtual) object of the second.  The real
    // trace of a 0.02 mm pencil agrees.
    r = analysed(makeDesign({{1000, 0, 5, 300}, {-800, 0, -3, 400}, {}}, 0.02));
    const double objS = 500 / std::cos(t) - 300, objT = 500 * std::cos(t) - 300;
    const double imgS = 1 / (1 / objS + 2 * std::cos(t2) / -800);
    const double imgT = 1 / (1 / objT + 2 / (-800 * std::cos(t2)));
    EXPECT_NEAR(r.lsParaxial, imgS, 1e-6);
    EXPECT_NEAR(r.ltParaxial, imgT, 1e-6);
    EXPECT_NEAR(r.lsMarginal, imgS, 1e-4);
    EXPECT_NEAR(r.ltMarginal, imgT, 1e-4);

    // A toroid of sagittal radius R cos^2 t brings the sagittal focus onto
    // the tangential one.
    r = analysed(makeDesign({{1000, 1000 * std::cos(t) * std::cos(t), 5, 500, kToroid}, {}}, 100));
    expectPrinted(r, "lsParaxial 498.097349 ltParaxial 498.097349");
    // A toroid of equal radii is that sphere: every figure, field included,
    // agrees (the toroid's passes settle to well under a micrometre).
    const auto tor = analysisFigures(analysed(makeDesign({{900, 900, 6, 450, kToroid}, {}}, 200, 1)));
    const auto sph = analysisFigures(analysed(makeDesign({{900, 0, 6, 450}, {}}, 200, 1)));
    for (size_t i = 0; i < tor.size(); ++i) EXPECT_NEAR(tor[i].value, sph[i].value, 1e-4) << tor[i].name;
}

TEST(Analysis, AnImageOnAMirrorsVertexStaysThere) {
    // A flat 500 after the sphere of radius 1000 lies exactly in its focus.
    // Whatever its power, a mirror images a point on its vertex onto itself
    // (the object and image distances are both zero), so the beam leaves it
    // diverging from the vertex: a real focus at distance 0, not a parallel
    // beam and no failure.  A flat only folds the light, so every marginal
    // figure is the sphere's, 500 nearer: the rays that cross 0.626174 in
    // front of the flat appear to diverge from as far behind it.
    AnalysisResults r = analysed(makeDesign({{1000, 0, 0, 500}, {0, 0, 0, 100}, {}}, 100));
    EXPECT_EQ(r.lsParaxial, 0);
    EXPECT_EQ(r.ltParaxial, 0);
    expectPrinted(r,
                  "lsMarginal -0.626174 ltMarginal -0.626174 laS -0.626174 laT -0.626174 bestFocus -0.469631 "
                  "focusS 500.626174 focusT 500.626174 fRatio 5.006262");
    // Tilted, the flat still images its vertex onto itself in both sections.
    r = analysed(makeDesign({{1000, 0, 0, 500}, {0, 0, 10, 100}, {}}, 100));
    EXPECT_EQ(r.lsParaxial, 0);
    EXPECT_EQ(r.ltParaxial, 0);

    // A third mirror then takes that point as its object, 100 before it:
    // radius 150 (focal length 75) images it at 1/(1/75 - 1/100) = 300.  A
    // curved second mirror at the image changes nothing paraxially, and the
    // real pencil of 0.02 mm agrees.  Read as a parallel beam instead, the
    // vertex image would have given the third mirror's focal length, 75.
    for (double second : {0.0, -200.0, 400.0}) {
        r = analysed(makeDesign({{1000, 0, 0, 500}, {second, 0, 0, 100}, {150, 0, 0, 300}, {}}, 0.02));
        EXPECT_NEAR(r.lsParaxial, 300, orvelin::testing::kWorkedFigure) << second;
        EXPECT_NEAR(r.ltParaxial, 300, orvelin::testing::kWorkedFigure) << second;
        EXPECT_NEAR(r.lsMarginal, 300, 1e-4) << second;
    }
}

TEST(Analysis, FailuresSayWhy) {
    Design zero = singleMirror(0);
    zero.aperture = 0;
    recomputeAperture(zero);
    EXPECT_EQ(failure(zero), kTraceApertureZero);

    // No mirror; a flat alone; an afocal pair of confocal paraboloids (f 500
    // and -100, 400 apart), alone or followed by a flat 50 from the plane: the
    // beam leaves parallel, whatever distances the separations would make.
    for (Design d : {makeDesign({SurfaceSpec{}}, 100), makeDesign({{0, 0, 0, 100}, {}}, 100),
                     makeDesign({{1000, 1, 0, 400}, {-200, 1, 0, 100}, {}}, 100),
                     makeDesign({{1000, 1, 0, 400}, {-200, 1, 0, 100}, {0, 0, 0, 50}, {}}, 100)})
        EXPECT_EQ(failure(d), kTraceNoFocus) << d.surfaceCount;

    EXPECT_EQ(failure(makeDesign({{100, 0, 0, 50}, {}}, 300)), 4);  // beyond surface 1's rim
    EXPECT_EQ(failure(makeDesign({{1000, 0, 0, 400}, {5, 0, 0, 100}, {}}, 100)), 5);  // secondary too small

    // The sagittal marginal ray leaves with M = 0 (a cylinder focusing in x,
    // then a surface stored as sagittally curved that traces as a flat, as a
    // numeric file can make it): no focus, not an infinite one.
    Design cylinder = makeDesign({{1000, 0, 0, 400, kToroid}, {0, 0, 0, 100}, {}}, 100);
    cylinder.surfaces[2].sagCurvature = 0.001;
    EXPECT_EQ(failure(cylinder), kTraceNoFocus);

    // A curved focal plane far too small for the field: the field-size step
    // misses it, and the moved focal plane is put back.
    Design tiny = makeDesign({{1000, 1, 0, 500}, {1, 0, 0, 0}}, 100, 0.5);
    const Design before = tiny;
    EXPECT_EQ(failure(tiny), 5);
    EXPECT_TRUE(tiny.surfaces[1].signedSeparation == before.surfaces[1].signedSeparation &&
                tiny.surfaces[2].tilt == before.surfaces[2].tilt &&
                tiny.surfaces[2].sinTilt == before.surfaces[2].sinTilt &&
                tiny.surfaces[2].cosTilt == before.surfaces[2].cosTilt);

    // Both field edges coincide (entrance medium sign 0, as a damaged
    // numeric file can leave it): no tilt can be fitted (0, not 0/0), and a
    // field image of no size is no focus.
    Design noSign = singleMirror(1, 0, 0.5);
    noSign.surfaces[1].mediumSign = 0;
    TraceState s;
    AnalysisResults fresh;
    fresh.tiltS = fresh.tiltT = 99;
    EXPECT_FALSE(analyseSystem(noSign, s, fresh));
    EXPECT_EQ(s.status, kTraceNoFocus);
    EXPECT_TRUE(fresh.tiltS == 0 && fresh.tiltT == 0 && fresh.bestFitTilt == 0);
}
