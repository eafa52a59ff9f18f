// The analysis: worked figures to every printed digit, textbook optics,
// and the failures.
#include "trace/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "trace_test_util.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::singleMirror;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTextbook = 1e-6;  // agreement with an independent formula

/// The figure as the report prints it ("%10.6f", without the padding).
std::string printed(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6f", v);
    return buf;
}

/// A printed zero may carry the sign of a tiny residue.
bool printsZero(double v) {
    return printed(v) == "0.000000" || printed(v) == "-0.000000";
}

AnalysisResults analysed(Design d) {
    TraceState s;
    AnalysisResults r;
    EXPECT_TRUE(analyseSystem(d, s, r)) << "status " << s.status;
    EXPECT_EQ(s.status, kTraceOk);
    return r;
}

}  // namespace

TEST(Analysis, SphericalMirrorWorkedExample) {
    const AnalysisResults r = analysed(singleMirror(0));
    EXPECT_EQ(printed(r.lsParaxial), "500.000000");
    EXPECT_EQ(printed(r.ltParaxial), "500.000000");
    EXPECT_TRUE(printsZero(r.astParaxial));
    EXPECT_EQ(printed(r.lsMarginal), "499.373826");
    EXPECT_EQ(printed(r.ltMarginal), "499.373826");
    EXPECT_EQ(printed(r.laS), "-0.626174");
    EXPECT_EQ(printed(r.laT), "-0.626174");
    EXPECT_EQ(printed(r.bestFocus), "499.530369");
    EXPECT_EQ(printed(r.focusS), "500.626174");
    EXPECT_EQ(printed(r.focusT), "500.626174");
    EXPECT_EQ(printed(r.fRatio), "5.006262");
    EXPECT_EQ(printed(r.laTolerance), "0.224080");
    EXPECT_TRUE(printsZero(r.comaS));
    EXPECT_TRUE(printsZero(r.comaT));
    EXPECT_TRUE(printsZero(r.astMarginal));

    // Textbook: a ray at height h on a sphere of radius R crosses the axis
    // at R - R/(2 cos a), sin a = h/R, leaving at 2a to the axis, so the
    // marginal focal length is h / sin 2a.
    const double a = std::asin(50.0 / 1000);
    EXPECT_NEAR(r.lsMarginal, 1000 - 1000 / (2 * std::cos(a)), kTextbook);
    EXPECT_NEAR(r.focusS, 50 / std::sin(2 * a), kTextbook);
    // A quarter wave of 0.000088 inch over the square of the marginal slope.
    EXPECT_NEAR(r.laTolerance, 0.000088 * 25.4 / (std::sin(2 * a) * std::sin(2 * a)), kTextbook);
}

TEST(Analysis, ParaboloidWorkedExampleWithField) {
    AnalysisResults r = analysed(singleMirror(1));
    EXPECT_EQ(printed(r.lsMarginal), "500.000000");
    EXPECT_EQ(printed(r.ltMarginal), "500.000000");
    EXPECT_EQ(printed(r.bestFocus), "500.000000");
    EXPECT_EQ(printed(r.focusS), "501.250000");
    EXPECT_EQ(printed(r.focusT), "501.250000");
    EXPECT_EQ(printed(r.fRatio), "5.012500");
    EXPECT_EQ(printed(r.laTolerance), "0.224639");
    // Textbook: the distance from the focus to the paraboloid at height h
    // is f + h^2/(4f).
    EXPECT_NEAR(r.focusS, 500 + 50.0 * 50 / 2000, kTextbook);

    r = analysed(singleMirror(1, 0, 0.5));
    for (const FieldPanel* p : {&r.fieldPanelMinus, &r.fieldPanelPlus}) {
        EXPECT_EQ(printed(p->ast), "0.038363");
        EXPECT_TRUE(printsZero(p->xS));
        EXPECT_EQ(printed(p->xT), "-0.038363");
        EXPECT_EQ(printed(p->comaS), "-0.010909");
        EXPECT_EQ(printed(p->comaT), "-0.032835");
    }
    EXPECT_EQ(printed(r.fieldDiameter), "8.726868");
    char buf[32];
    std::snprintf(buf, sizeof buf, "%7.3f %%", r.anamorphism);
    EXPECT_TRUE(std::string(buf) == "  0.000 %" || std::string(buf) == " -0.000 %") << buf;
    EXPECT_EQ(r.tiltS, 0);
    EXPECT_EQ(r.tiltT, 0);
    EXPECT_EQ(r.bestFitTilt, 0);
    // Textbook: the image of a field angle phi lies f tan(phi) off axis.
    EXPECT_NEAR(r.fieldDiameter, 2 * 500 * std::tan(0.5 * kPi / 180), 1e-3);
}

TEST(Analysis, TiltedSphereFollowsCoddington) {
    // Coddington for a collimated beam meeting a concave mirror at incidence
    // t: sagittal focus R/(2 cos t), tangential focus (R/2) cos t.
    const double t = 5 * kPi / 180;
    AnalysisResults r = analysed(singleMirror(0, 5));
    EXPECT_EQ(printed(r.lsParaxial), "501.909919");
    EXPECT_EQ(printed(r.ltParaxial), "498.097349");
    EXPECT_NEAR(r.lsParaxial, 500 / std::cos(t), kTextbook);
    EXPECT_NEAR(r.ltParaxial, 500 * std::cos(t), kTextbook);

    // The real trace agrees for a narrow beam: a 0.02 mm pencil through the
    // tilted mirrors focuses where Coddington says.
    Design narrow = makeDesign({{1000, 0, 5, 500}, {0, 0, 0, 0}}, 0.02);
    r = analysed(narrow);
    EXPECT_NEAR(r.lsMarginal, 500 / std::cos(t), 1e-5);
    EXPECT_NEAR(r.ltMarginal, 500 * std::cos(t), 1e-5);

    // So does a two-mirror chain, worked by hand in vergences: Coddington
    // gives a mirror of radius R met at incidence t the power 2 cos t / R in
    // the sagittal section and 2 / (R cos t) in the tangential one; the
    // focus of the first mirror is the (virtual) object of the second.
    const double t2 = 3 * kPi / 180;
    Design chain = makeDesign({{1000, 0, 5, 300}, {-800, 0, -3, 400}, {0, 0, 0, 0}}, 0.02);
    r = analysed(chain);
    const double objS = 500 / std::cos(t) - 300, objT = 500 * std::cos(t) - 300;
    const double imgS = 1 / (1 / objS + 2 * std::cos(t2) / -800);
    const double imgT = 1 / (1 / objT + 2 / (-800 * std::cos(t2)));
    EXPECT_NEAR(r.lsParaxial, imgS, kTextbook);
    EXPECT_NEAR(r.ltParaxial, imgT, kTextbook);
    EXPECT_NEAR(r.lsMarginal, imgS, 1e-4);
    EXPECT_NEAR(r.ltMarginal, imgT, 1e-4);

    // A toroid whose sagittal radius is R cos^2 t brings the sagittal focus
    // onto the tangential one.
    const double rs = 1000 * std::cos(5 * kDegree) * std::cos(5 * kDegree);
    r = analysed(makeDesign({{1000, rs, 5, 500, kToroid}, {0, 0, 0, 0}}, 100));
    EXPECT_EQ(printed(r.lsParaxial), "498.097349");
    EXPECT_EQ(printed(r.ltParaxial), "498.097349");
}

TEST(Analysis, UnitsFieldAndFocusRepetition) {
    Design mm = singleMirror(0);
    Design inches = mm;
    inches.units = "inches";
    const AnalysisResults a = analysed(mm), b = analysed(inches);
    EXPECT_DOUBLE_EQ(a.laTolerance, 25.4 * b.laTolerance);

    // No field: the field figures still come (a quarter-degree field), and
    // the field sine and cosine are again exactly 0 and 1.
    Design nofield = singleMirror(1);
    TraceState s;
    AnalysisResults r;
    ASSERT_TRUE(analyseSystem(nofield, s, r));
    EXPECT_EQ(nofield.sinField, 0);
    EXPECT_EQ(nofield.cosField, 1);
    EXPECT_NEAR(r.fieldDiameter, 2 * 500 * std::tan(0.25 * kPi / 180), 1e-3);
    EXPECT_GT(r.fieldPanelMinus.ast, 0);

    // Focus! moves the plane to the best focus with the best-fit tilt; a
    // second analysis gives the same figures, so a second Focus! changes
    // nothing.
    Design tilted = makeDesign({{1000, 0, 4, 400}, {-1500, 0, -9, 500}, {0, 0, 0, 0}}, 80, 1.5);
    ASSERT_TRUE(analyseSystem(tilted, s, r));
    ASSERT_NE(r.bestFitTilt, 0);
    focusToBestFit(tilted, r.bestFocus, r.bestFitTilt);
    AnalysisResults again;
    ASSERT_TRUE(analyseSystem(tilted, s, again));
    EXPECT_EQ(again.bestFocus, r.bestFocus);
    EXPECT_EQ(again.bestFitTilt, r.bestFitTilt);
    EXPECT_EQ(tilted.tilt[3], r.bestFitTilt);
}

TEST(Analysis, FailuresSayWhy) {
    TraceState s;
    AnalysisResults r;

    Design zero = singleMirror(0);
    zero.aperture = 0;
    recomputeAperture(zero);
    EXPECT_FALSE(analyseSystem(zero, s, r));
    EXPECT_EQ(s.status, kTraceApertureZero);

    // No mirror at all.
    Design lone = makeDesign({{0, 0, 0, 0}}, 100);
    EXPECT_FALSE(analyseSystem(lone, s, r));
    EXPECT_EQ(s.status, kTraceNoFocus);

    // A flat mirror alone leaves the beam parallel.
    Design flat = makeDesign({{0, 0, 0, 100}, {0, 0, 0, 0}}, 100);
    EXPECT_FALSE(analyseSystem(flat, s, r));
    EXPECT_EQ(s.status, kTraceNoFocus);

    // An afocal pair of confocal paraboloids (f 500 and -100, 400 apart)
    // followed by a flat: the beam leaves parallel, whatever distances the
    // separations would make of a focus at infinity.
    Design afocal = makeDesign({{1000, 1, 0, 400}, {-200, 1, 0, 100}, {0, 0, 0, 50}, {0, 0, 0, 0}}, 100);
    EXPECT_FALSE(analyseSystem(afocal, s, r));
    EXPECT_EQ(s.status, kTraceNoFocus);
    Design afocalPair = makeDesign({{1000, 1, 0, 400}, {-200, 1, 0, 100}, {0, 0, 0, 0}}, 100);
    EXPECT_FALSE(analyseSystem(afocalPair, s, r));
    EXPECT_EQ(s.status, kTraceNoFocus);

    // Aperture larger than surface 1 can be.
    Design rim = makeDesign({{100, 0, 0, 50}, {0, 0, 0, 0}}, 300);
    EXPECT_FALSE(analyseSystem(rim, s, r));
    EXPECT_EQ(s.status, 4);

    // A secondary too small for the beam.
    Design small = makeDesign({{1000, 0, 0, 400}, {5, 0, 0, 100}, {0, 0, 0, 0}}, 100);
    EXPECT_FALSE(analyseSystem(small, s, r));
    EXPECT_EQ(s.status, 5);

    // The sagittal marginal ray leaves parallel to the tangential plane
    // (M = 0): a cylinder that focuses in x only, then a surface whose
    // stored sagittal curvature says "focusing" but traces as a flat (as a
    // numeric file can make it).  No focus, not an infinite one.
    Design cylinder = makeDesign({{1000, 0, 0, 400, kToroid}, {0, 0, 0, 100}, {0, 0, 0, 0}}, 100);
    cylinder.sagCurvature[2] = 0.001;
    EXPECT_FALSE(analyseSystem(cylinder, s, r));
    EXPECT_EQ(s.status, kTraceNoFocus);

    // A curved focal plane far too small for the field: the field size step
    // misses surface n, and the moved focal plane is put back.
    Design tiny = makeDesign({{1000, 1, 0, 500}, {1, 0, 0, 0}}, 100, 0.5);
    const Design before = tiny;
    EXPECT_FALSE(analyseSystem(tiny, s, r));
    EXPECT_EQ(s.status, 5);
    EXPECT_EQ(tiny.signedSeparation[1], before.signedSeparation[1]);
    EXPECT_EQ(tiny.tilt[2], before.tilt[2]);
    EXPECT_EQ(tiny.sinTilt[2], before.sinTilt[2]);
    EXPECT_EQ(tiny.cosTilt[2], before.cosTilt[2]);

    // Both field edges coincide (a design whose entrance medium sign is 0,
    // as a damaged numeric file can leave it): the foci lie at the same
    // height, no tilt can be fitted (0, not 0/0), and the field image has no
    // size: no focus.
    Design noSign = singleMirror(1, 0, 0.5);
    noSign.mediumSign[1] = 0;
    AnalysisResults fresh;
    fresh.tiltS = fresh.tiltT = 99;
    EXPECT_FALSE(analyseSystem(noSign, s, fresh));
    EXPECT_EQ(s.status, kTraceNoFocus);
    EXPECT_EQ(fresh.tiltS, 0);
    EXPECT_EQ(fresh.tiltT, 0);
    EXPECT_EQ(fresh.bestFitTilt, 0);
}
