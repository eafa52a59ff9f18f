// The aberration plots against closed forms derived by hand: the spherical
// mirror's spherical aberration, the paraboloid's coma and field curves, the
// keystone of a tilted focal plane; their ties to the image-quality figures;
// and gaps where rays miss.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "aberrations/aberrations_json.h"
#include "aberrations/field_curves.h"
#include "aberrations/field_map.h"
#include "aberrations/ray_fans.h"
#include "aberrations/through_focus.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

using namespace orvelin;
using orvelin::testing::kFewRoundings;
using orvelin::testing::kWorkedFigure;

namespace {

constexpr double kLambdaMm = kQualityWavelengthMicrons / 1000;

/// Agreement with a third-order figure: the next order of these f/5 and
/// slower beams is below one part in a hundred.
constexpr double kThirdOrder = 1e-2;

}  // namespace

// A sphere of radius R at its paraxial focus f = R/2, on axis: a ray at
// height y meets the sphere where sin(u) = y/R, is turned by 2u and crosses
// the axis R/(2 cos u) from the centre, so it meets the focal plane
// (R/(2 cos u) - R/2) tan(2u) from the axis, on the far side; to third order
// y^3 / (2 R^2), 62.5 um at the rim of a 100 mm aperture.  Its wavefront
// leads the reference sphere by the sphere's departure from the paraboloid,
// twice: y^4 / (4 R^3), 1.5625 um at the rim.
TEST(RayFans, SphereOnAxisIsCubicWithTheThirdOrderRim) {
    const Design d = orvelin::testing::singleMirror(0);
    const FanResult r = computeFans(d, {41, kQualityWavelengthMicrons, {QualityField::center}});
    ASSERT_EQ(r.fields.size(), 1u);
    const FieldFans& f = r.fields[0];
    ASSERT_EQ(f.status, kTraceOk);
    const double R = 1000, h = 50;
    for (std::size_t k = 0; k < r.pupil.size(); ++k) {
        const double p = r.pupil[k], u = std::asin(p * h / R);
        const double exact = -(R / (2 * std::cos(u)) - R / 2) * std::tan(2 * u) * 1000;
        EXPECT_NEAR(f.tangential.ex[k], exact, kWorkedFigure * 100) << p;
        EXPECT_EQ(f.tangential.ey[k], 0) << p;
        // Rotational symmetry: the sagittal fan is the tangential one turned.
        EXPECT_NEAR(f.sagittal.ey[k], f.tangential.ex[k], kWorkedFigure) << p;
        EXPECT_NEAR(f.sagittal.opd[k], f.tangential.opd[k], kWorkedFigure) << p;
        EXPECT_NEAR(f.tangential.opd[k], std::pow(p * h, 4) / (4 * R * R * R) / kLambdaMm,
                    kThirdOrder * 2.8 * std::pow(p, 4) + 1e-9)
            << p;
    }
    const double thirdOrderRim = h * h * h / (2 * R * R) * 1000;  // 62.5 um
    EXPECT_NEAR(-f.tangential.ex.back(), thirdOrderRim, kThirdOrder * thirdOrderRim);
    EXPECT_NEAR(f.tangential.ex.front(), thirdOrderRim, kThirdOrder * thirdOrderRim);
    // Cubic: half the aperture gives an eighth of the rim's error.
    EXPECT_NEAR(f.tangential.ex[30] / f.tangential.ex[40], 0.125, kThirdOrder * 0.125);
    EXPECT_EQ(r.largestError, std::fabs(f.tangential.ex.front()));
}

// The paraboloid's coma off axis, stop at the mirror: to first order in the
// field angle t its wavefront leads by t x (x^2 + y^2) / (4 f^2), so the
// tangential fan's error along x is 3 t y^2 / (4 f) (quadratic in the
// pupil coordinate, plus the small linear defocus of the tangential field
// curve), the sagittal fan's a third of it, and the wavefront's odd part
// t h^3 / (4 f^2) at the rim.
TEST(RayFans, ParaboloidOffAxisShowsComa) {
    const Design d = orvelin::testing::paraboloid(0.5);
    const FanResult r =
        computeFans(d, {41, kQualityWavelengthMicrons, {QualityField::plus, QualityField::minus}});
    const double t = 0.5 * kDegree, h = 50, f = 500;
    const double tangentialComa = 3 * t * h * h / (4 * f) * 1000;  // um
    for (const FieldFans& ff : r.fields) {
        ASSERT_EQ(ff.status, kTraceOk);
        const Fan &T = ff.tangential, &S = ff.sagittal;
        const double sign = ff.field == QualityField::plus ? 1 : -1;
        const double even = (T.ex.front() + T.ex.back()) / 2;
        EXPECT_NEAR(sign * even, tangentialComa, kThirdOrder * tangentialComa);
        EXPECT_NEAR(T.ex[30] + T.ex[10], even / 2, kThirdOrder * tangentialComa);  // quadratic
        EXPECT_NEAR(sign * S.ex.back(), tangentialComa / 3, kThirdOrder * tangentialComa / 3);
        EXPECT_NEAR(S.ex.front(), S.ex.back(), kWorkedFigure);
        const double oddOpd = (T.opd.front() - T.opd.back()) / 2;
        const double coma = t * h * h * h / (4 * f * f) / kLambdaMm;
        EXPECT_NEAR(sign * oddOpd, coma, kThirdOrder * coma);
        // Every fan passes through 0 at the pupil centre.
        for (const Fan* fan : {&T, &S}) {
            EXPECT_EQ(fan->ex[20], 0);
            EXPECT_EQ(fan->ey[20], 0);
            EXPECT_EQ(fan->opd[20], 0);
        }
    }
}

// Coddington's equations along the real chief ray of the paraboloid: the
// stop lies in the plane of the rim, e = h^2 / (2R) before the vertex, so
// the chief ray of angle t meets the mirror at y_c = t' (e - y_c^2 / (2R))
// (t' = tan t), where the normal leans by phi = atan(y_c / R): the angle of
// incidence is t - phi and the ray leaves at t - 2 phi.  The tangential focus
// lies R_t cos(i) / 2 from the mirror, the sagittal one R_s / (2 cos i),
// with the curvature radii R (1 + y^2/R^2)^(3/2) and R (1 + y^2/R^2)^(1/2).
// In third order T = -f t^2 (1 - 3e/R) and S = f t^2 e/R: astigmatism
// T - S = -f t^2 (1 - 2e/R), and the Petzval surface (3S - T)/2 = f t^2 / 2
// of radius f whatever the stop.  The image point is f tan(t) to the
// first order, the distortion zero but for the stop's small lead.
TEST(FieldCurves, ParaboloidMatchesCoddingtonAstigmatismAndPetzval) {
    const Design d = orvelin::testing::paraboloid(0.5);
    const FieldCurvesResult r = computeFieldCurves(d, {21, 0});
    ASSERT_EQ(r.tangential.points.size(), 21u);
    ASSERT_EQ(r.sagittal.points.size(), 11u);
    EXPECT_EQ(r.fieldDegrees, 0.5);
    const double R = 1000, f = 500, h = 50, e = h * h / (2 * R);
    for (const FieldCurvePoint& p : r.tangential.points) {
        ASSERT_EQ(p.status, kTraceOk) << p.field;
        const double t = std::fabs(p.field) * kDegree, tt = std::tan(t);
        const double yc = 2 * tt * e / (1 + std::sqrt(1 + 2 * tt * tt * e / R));
        const double phi = std::atan(yc / R), i = t - phi, beta = t - 2 * phi;
        const double q = 1 + yc * yc / (R * R);
        const double along = (f - yc * yc / (2 * R)) / std::cos(beta);
        const double T = R * std::pow(q, 1.5) * std::cos(i) / 2 - along;
        const double S = R * std::sqrt(q) / (2 * std::cos(i)) - along;
        EXPECT_NEAR(p.tangentialFocus, T, 1e-8) << p.field;
        EXPECT_NEAR(p.sagittalFocus, S, 1e-8) << p.field;
        if (t == 0) continue;
        EXPECT_NEAR((3 * p.sagittalFocus - p.tangentialFocus) / 2, f * t * t / 2, 1e-3 * f * t * t);
        EXPECT_NEAR(p.tangentialFocus - p.sagittalFocus, -f * t * t * (1 - 2 * e / R), 1e-3 * f * t * t);
        EXPECT_NEAR(p.distortion, 0, 1e-4);
    }
    // The field is symmetric about the axis, and so are its curves.
    EXPECT_NEAR(r.tangential.points.front().tangentialFocus, r.tangential.points.back().tangentialFocus,
                1e-12);
    EXPECT_NEAR(std::fabs(r.tangential.focalLength), f, 1e-6);
    // Across the field the roles turn: the sagittal sweep's sagittal focus
    // is the tangential sweep's tangential one.
    EXPECT_NEAR(r.sagittal.points.back().sagittalFocus, r.tangential.points.back().tangentialFocus, 1e-9);
    EXPECT_NEAR(r.sagittal.points.back().tangentialFocus, r.tangential.points.back().sagittalFocus, 1e-9);
    EXPECT_NEAR(r.tiltBestFit, 0, 1e-9);
}

// A focal plane tilted by a about the image of the axis sees the image of
// angle t at f tan(t) / (cos a - sin a tan(t)) along itself: f/cos a near
// the axis, so the distortion is tan(a) tan(t) / (1 - tan(a) tan(t)), a
// keystone of opposite signs at the two field edges.  A 2 mm aperture
// keeps the stop's lead below the tolerance.
TEST(FieldCurves, TiltedFocalPlaneGivesTheKeystone) {
    const double a = 5;
    Design d = orvelin::testing::makeDesign({{1000, 1, 0, 500}, {0, 0, a, 0}}, 2, 1);
    const FieldCurvesResult r = computeFieldCurves(d, {11, 0});
    const double f = 500;
    EXPECT_NEAR(std::fabs(r.tangential.focalLength), f / std::cos(a * kDegree), 1e-4);
    for (const FieldCurvePoint& p : r.tangential.points) {
        if (p.field == 0) continue;
        const double k = std::tan(a * kDegree) * std::tan(p.field * kDegree);
        EXPECT_NEAR(p.distortion, 100 * k / (1 - k), 1e-3 * std::fabs(100 * k)) << p.field;
    }
    // The plane that fits the foci best is the one the mirror images onto,
    // tilted back by a.
    EXPECT_NEAR(r.tiltBestFit, 0, 0.01);
}

// The map's points are the image-quality figures of their field points:
// the centre is that of the figures to the bit, the edges of the
// tangential row the minus and plus fields.
TEST(FieldMap, CentreAndEdgesAreTheQualityFigures) {
    const Design d = orvelin::testing::threeMirrorTilted();
    const FieldMapResult m = computeFieldMap(d);
    ASSERT_EQ(m.grid, 5);
    ASSERT_EQ(m.points.size(), 25u);
    const QualityReport q = computeQuality(d);
    const auto same = [](const FieldQuality& a, const FieldQuality& b) {
        EXPECT_EQ(a.status, b.status);
        EXPECT_EQ(a.rmsSpot, b.rmsSpot);
        EXPECT_EQ(a.strehl, b.strehl);
        EXPECT_EQ(a.rmsWavefront, b.rmsWavefront);
    };
    same(m.at(2, 2).quality, q.field(QualityField::center));
    same(m.at(0, 2).quality, q.field(QualityField::minus));
    same(m.at(4, 2).quality, q.field(QualityField::plus));
    same(m.at(2, 4).quality, q.field(QualityField::sagittal));
    EXPECT_EQ(m.at(0, 0).field.tangential, -0.5);
    EXPECT_EQ(m.at(0, 0).field.sagittal, -0.5);
    // A plane-symmetric system: the map is mirrored about the tangential row.
    EXPECT_NEAR(m.at(1, 0).quality.rmsSpot, m.at(1, 4).quality.rmsSpot, 1e-9);
}

// Shift 0 is the spot of the image-quality figures; on a flat focal plane
// every hit point moves linearly with the shift, so the mean squared radius
// is a parabola in it whose vertex is their best focus.
TEST(ThroughFocus, ShiftZeroIsTheSpotAndTheParabolaFindsBestFocus) {
    const Design d = orvelin::testing::singleMirror(0);
    for (QualityField field : {QualityField::center, QualityField::plus}) {
        ThroughFocusOptions o;
        o.field = field;
        const ThroughFocusResult r = computeThroughFocus(d, o);
        ASSERT_EQ(r.status, kTraceOk);
        ASSERT_EQ(r.spots.size(), 7u);
        const FieldQuality q = computeFieldQuality(d, field);
        EXPECT_NEAR(r.spots[3].shift, 0, 0);
        EXPECT_NEAR(r.spots[3].rmsSpot, q.rmsSpot, kWorkedFigure * q.rmsSpot);
        EXPECT_NEAR(r.workingFRatio, q.workingFRatio, kWorkedFigure * q.workingFRatio);
        EXPECT_NEAR(r.step, 2 * kLambdaMm * q.workingFRatio * q.workingFRatio, kFewRoundings);
        EXPECT_EQ(r.spots[3].points.size(), 289u);
        // rms^2 = A + B s + C s^2 through three spots: its vertex.
        const double s = r.step, m = r.spots[2].rmsSpot, z = r.spots[3].rmsSpot, p = r.spots[4].rmsSpot;
        const double B = (p * p - m * m) / (2 * s), C = (p * p + m * m - 2 * z * z) / (2 * s * s);
        EXPECT_NEAR(-B / (2 * C), q.bestFocusShift, 1e-7);
    }
}

// Rays that miss make gaps, never zeros: a small spherical focal surface
// that the edge of a wide field passes by.
TEST(AberrationPlots, MissedFieldPointsAreGapsWithTheirStatus) {
    Design d = orvelin::testing::makeDesign({{1000, 1, 0, 500}, {-20, 0, 0, 0}}, 100, 10);
    const FieldCurvesResult c = computeFieldCurves(d, {21, 0});
    EXPECT_EQ(c.tangential.points.front().status, traceMissStatus(2));
    EXPECT_TRUE(std::isnan(c.tangential.points.front().tangentialFocus));
    EXPECT_TRUE(std::isnan(c.tangential.points.front().distortion));
    EXPECT_EQ(c.tangential.points[10].status, kTraceOk);
    const FieldMapResult m = computeFieldMap(d, {3, 0, 25, kQualityWavelengthMicrons});
    EXPECT_EQ(m.at(0, 1).quality.status, traceMissStatus(2));
    EXPECT_EQ(m.at(1, 1).quality.status, kTraceOk);
    const auto j = fieldMapJson(m);
    EXPECT_TRUE(j["points"][3]["rmsSpot"].is_null());
    EXPECT_EQ(j["points"][3]["message"], "Light misses surface #2");
    const FanResult f = computeFans(d);
    EXPECT_EQ(f.fields[1].status, traceMissStatus(2));
    EXPECT_TRUE(fansJson(f)["fields"]["minus"]["pupil"].is_null());

    // Nothing starts at all: every command says why.
    Design flat = orvelin::testing::flatMirror(0);
    EXPECT_EQ(computeFans(flat).fields[0].status, kTraceApertureZero);
    EXPECT_EQ(computeThroughFocus(flat).status, kTraceApertureZero);
    EXPECT_EQ(computeFieldCurves(flat).tangential.points[0].status, kTraceApertureZero);
    EXPECT_EQ(computeThroughFocus(orvelin::testing::flatMirror(10)).status, kTraceNoFocus);
}

// The JSON and CSV keep the documented shapes.
TEST(AberrationPlots, JsonAndCsvShapes) {
    const Design d = orvelin::testing::paraboloid(0.5);
    const auto fans = fansJson(computeFans(d, {5, kQualityWavelengthMicrons, {}}));
    EXPECT_EQ(fans["fields"].size(), 4u);
    EXPECT_EQ(fans["fields"]["sagittal"]["pupil"], nlohmann::json({-1.0, -0.5, 0.0, 0.5, 1.0}));
    EXPECT_EQ(fans["fields"]["center"]["tangential"]["opd"].size(), 5u);
    const auto curves = fieldCurvesJson(computeFieldCurves(d, {5, 0}));
    EXPECT_EQ(curves["field"], nlohmann::json({-0.5, -0.25, 0.0, 0.25, 0.5}));
    EXPECT_EQ(curves["sagittalSweep"]["field"], nlohmann::json({0.0, 0.25, 0.5}));
    EXPECT_EQ(curves["distortion"][2], 0.0);
    const ThroughFocusResult tf = computeThroughFocus(d);
    const auto spots = throughFocusJson(tf);
    EXPECT_EQ(spots["field"], "center");
    EXPECT_EQ(spots["spots"][3]["points"][0], nlohmann::json({0.0, 0.0}));
    const std::string csv = fieldCurvesCsv(computeFieldCurves(d, {3, 0}));
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "sweep,field_deg,tangential_focus,sagittal_focus,distortion_pct,status");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 + 2);
}
