#include <gtest/gtest.h>

#include <cmath>

#include "design/design.h"
#include "support/tolerances.h"

using namespace orvelin;

namespace {
Design oneMirror(double radius, double conic, double tilt, double separation) {
    Design d;
    d.surfaceCount = 2;
    initMediumSigns(d);
    resetDesign(d);
    d.surfaces[1].radius = d.surfaces[1].sagRadius = radius;
    d.surfaces[1].conic = conic;
    d.surfaces[1].tilt = tilt;
    d.surfaces[1].separation = separation;
    recomputeSurface(d, 1);
    recomputeSurface(d, 2);
    return d;
}
}  // namespace

TEST(DesignModel, KindNamesAtTheirBoundaries) {
    Design d = oneMirror(1000, 0, 0, 500);
    auto nameFor = [&](int kind, double radius, double conic) {
        d.surfaces[1].kind = kind;
        d.surfaces[1].radius = radius;
        d.surfaces[1].conic = conic;
        return std::string(surfaceKindName(d, 1));
    };
    EXPECT_EQ(nameFor(0, 0, 0.5), "flat");
    EXPECT_EQ(nameFor(0, 10, 0), "sphere");
    EXPECT_EQ(nameFor(0, 10, 1), "parab");
    EXPECT_EQ(nameFor(0, 10, -0.0001), "oblate");
    EXPECT_EQ(nameFor(0, 10, 0.5), "ellip");
    EXPECT_EQ(nameFor(0, 10, 1.0001), "hyperb");
    EXPECT_EQ(nameFor(1, 0, 0), "toroid");
    EXPECT_EQ(nameFor(2, 10, 0), "duplicate");
    EXPECT_EQ(nameFor(-1, 0, 0), "duplicate");
}

TEST(DesignModel, MediumSignsPutTheFocalPlaneInPositiveSpace) {
    Design d;
    d.surfaceCount = 4;
    initMediumSigns(d);
    const double even[] = {1, -1, 1, -1, 1};
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(d.surfaces[i].mediumSign, even[i]) << i;
    d.surfaceCount = 3;
    initMediumSigns(d);
    const double odd[] = {-1, 1, -1, 1};
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(d.surfaces[i].mediumSign, odd[i]) << i;
    for (int n = 0; n <= kMaxSurfaces; ++n) {
        d.surfaceCount = n;
        initMediumSigns(d);
        EXPECT_EQ(d.surfaces[n].mediumSign, 1.0) << n;
    }
}

TEST(DesignModel, RecomputationFollowsTheSignConvention) {
    Design d = oneMirror(1000, 1, 5, 500);
    // The mirror sits in a space of sign -1: a concave mirror of radius 1000
    // has a positive signed radius and curvature.
    EXPECT_EQ(d.surfaces[1].mediumSign, -1);
    EXPECT_EQ(d.surfaces[1].signedRadius, 1000);
    EXPECT_DOUBLE_EQ(d.surfaces[1].curvature, 0.001);
    EXPECT_EQ(d.surfaces[1].oneMinusConic, 0);
    EXPECT_EQ(d.surfaces[1].signedSeparation, 500);
    EXPECT_EQ(d.surfaces[1].sinTilt, std::sin(5 * 0.01745329251993791));
    EXPECT_EQ(d.surfaces[1].cosTilt, std::cos(5 * 0.01745329251993791));
    // Exactly zero tilt and radius: no trigonometry, no division.
    EXPECT_EQ(d.surfaces[2].sinTilt, 0.0);
    EXPECT_EQ(d.surfaces[2].cosTilt, 1.0);
    EXPECT_EQ(d.surfaces[2].curvature, 0.0);
    EXPECT_EQ(d.surfaces[2].signedRadius, 0.0);

    resetDesign(d);
    EXPECT_EQ(d.surfaces[1].cosTilt, 0.0);  // a reset surface keeps cosine 0 until edited
    EXPECT_EQ(d.cosField, 1.0);
    EXPECT_EQ(d.surfaceCount, 2);
}

TEST(DesignModel, CurveFocalPlaneSumsTheMirrorCurvatures) {
    Design d = oneMirror(1000, 0, 0, 500);
    curveFocalPlane(d);
    EXPECT_DOUBLE_EQ(d.surfaces[2].radius, -500);
    EXPECT_DOUBLE_EQ(d.surfaces[2].sagRadius, -500);
    EXPECT_DOUBLE_EQ(d.surfaces[2].signedRadius, d.surfaces[2].signedSagRadius);
    EXPECT_DOUBLE_EQ(d.surfaces[2].curvature, 0.002);

    // Tilted mirror and tilted plane: R(n) = -ct(n) / (2 sum 1/(R ct)).
    d = oneMirror(1000, 0, 10, 500);
    d.surfaces[2].tilt = 3;
    recomputeSurface(d, 2);
    curveFocalPlane(d);
    EXPECT_NEAR(d.surfaces[2].radius, -std::cos(3 * kDegree) / (2 / (1000 * std::cos(10 * kDegree))),
                orvelin::testing::kWorkedFigure);

    Design lone;
    lone.surfaceCount = 1;
    initMediumSigns(lone);
    resetDesign(lone);
    recomputeSurface(lone, 1);
    curveFocalPlane(lone);
    EXPECT_EQ(lone.surfaces[1].radius, 0.0);

    // A surface with a stored tilt cosine of 0 (left by a cancelled dialog)
    // adds nothing instead of dividing by zero.
    d = oneMirror(1000, 0, 0, 500);
    d.surfaceCount = 3;
    initMediumSigns(d);
    d.surfaces[1].radius = 1000;
    recomputeSurface(d, 1);
    d.surfaces[2].radius = 800;
    d.surfaces[2].curvature = 1.0 / 800;
    d.surfaces[2].cosTilt = 0;
    d.surfaces[3].cosTilt = 1;
    curveFocalPlane(d);
    EXPECT_TRUE(std::isfinite(d.surfaces[3].radius));
    EXPECT_DOUBLE_EQ(std::abs(d.surfaces[3].radius), 500);
}

TEST(DesignModel, FocusMovesOnlyTheFocalPlane) {
    Design d = oneMirror(1000, 0, 0, 500);
    const Design before = d;
    focusToBestFit(d, 499.530369, 1.5);
    EXPECT_EQ(d.surfaces[1].signedSeparation, 499.530369);
    EXPECT_EQ(d.surfaces[1].separation, 499.530369);  // s(n-1) = -1
    EXPECT_EQ(d.surfaces[2].tilt, 1.5);
    EXPECT_EQ(d.surfaces[2].sinTilt, std::sin(1.5 * kDegree));
    EXPECT_EQ(d.surfaces[1].radius, before.surfaces[1].radius);
    EXPECT_EQ(d.surfaces[2].curvature, before.surfaces[2].curvature);
}
