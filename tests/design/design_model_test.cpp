#include <gtest/gtest.h>

#include <cmath>

#include "design/design.h"

using namespace orvelin;

namespace {
Design oneMirror(double radius, double conic, double tilt, double separation) {
    Design d;
    d.surfaceCount = 2;
    initMediumSigns(d);
    resetDesign(d);
    d.radius[1] = d.sagRadius[1] = radius;
    d.conic[1] = conic;
    d.tilt[1] = tilt;
    d.separation[1] = separation;
    recomputeSurface(d, 1);
    recomputeSurface(d, 2);
    return d;
}
}  // namespace

TEST(DesignModel, KindNamesAtTheirBoundaries) {
    Design d = oneMirror(1000, 0, 0, 500);
    auto nameFor = [&](int kind, double radius, double conic) {
        d.kind[1] = kind;
        d.radius[1] = radius;
        d.conic[1] = conic;
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
    for (int i = 0; i <= 4; ++i) EXPECT_EQ(d.mediumSign[i], even[i]) << i;
    d.surfaceCount = 3;
    initMediumSigns(d);
    const double odd[] = {-1, 1, -1, 1};
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(d.mediumSign[i], odd[i]) << i;
    for (int n = 0; n <= kMaxSurfaces; ++n) {
        d.surfaceCount = n;
        initMediumSigns(d);
        EXPECT_EQ(d.mediumSign[n], 1.0) << n;
        EXPECT_EQ(d.mediumSign[22], -d.mediumSign[21]);
    }
}

TEST(DesignModel, RecomputationFollowsTheSignConvention) {
    Design d = oneMirror(1000, 1, 5, 500);
    // The mirror sits in a space of sign -1: a concave mirror of radius 1000
    // has a positive signed radius and curvature.
    EXPECT_EQ(d.mediumSign[1], -1);
    EXPECT_EQ(d.signedRadius[1], 1000);
    EXPECT_DOUBLE_EQ(d.curvature[1], 0.001);
    EXPECT_EQ(d.oneMinusConic[1], 0);
    EXPECT_EQ(d.signedSeparation[1], 500);
    EXPECT_EQ(d.sinTilt[1], std::sin(5 * 0.01745329251993791));
    EXPECT_EQ(d.cosTilt[1], std::cos(5 * 0.01745329251993791));
    // Exactly zero tilt and radius: no trigonometry, no division.
    EXPECT_EQ(d.sinTilt[2], 0.0);
    EXPECT_EQ(d.cosTilt[2], 1.0);
    EXPECT_EQ(d.curvature[2], 0.0);
    EXPECT_EQ(d.signedRadius[2], 0.0);

    resetDesign(d);
    EXPECT_EQ(d.cosTilt[1], 0.0);  // a reset surface keeps cosine 0 until edited
    EXPECT_EQ(d.cosField, 1.0);
    EXPECT_EQ(d.surfaceCount, 2);
}

TEST(DesignModel, CurveFocalPlaneSumsTheMirrorCurvatures) {
    Design d = oneMirror(1000, 0, 0, 500);
    curveFocalPlane(d);
    EXPECT_DOUBLE_EQ(d.radius[2], -500);
    EXPECT_DOUBLE_EQ(d.sagRadius[2], -500);
    EXPECT_DOUBLE_EQ(d.signedRadius[2], d.signedSagRadius[2]);
    EXPECT_DOUBLE_EQ(d.curvature[2], 0.002);

    // Tilted mirror and tilted plane: R(n) = -ct(n) / (2 sum 1/(R ct)).
    d = oneMirror(1000, 0, 10, 500);
    d.tilt[2] = 3;
    recomputeSurface(d, 2);
    curveFocalPlane(d);
    EXPECT_NEAR(d.radius[2], -std::cos(3 * kDegree) / (2 / (1000 * std::cos(10 * kDegree))), 1e-9);

    Design lone;
    lone.surfaceCount = 1;
    initMediumSigns(lone);
    resetDesign(lone);
    recomputeSurface(lone, 1);
    curveFocalPlane(lone);
    EXPECT_EQ(lone.radius[1], 0.0);

    // A surface with a stored tilt cosine of 0 (left by a cancelled dialog)
    // adds nothing instead of dividing by zero.
    d = oneMirror(1000, 0, 0, 500);
    d.surfaceCount = 3;
    initMediumSigns(d);
    d.radius[1] = 1000;
    recomputeSurface(d, 1);
    d.radius[2] = 800;
    d.curvature[2] = 1.0 / 800;
    d.cosTilt[2] = 0;
    d.cosTilt[3] = 1;
    curveFocalPlane(d);
    EXPECT_TRUE(std::isfinite(d.radius[3]));
    EXPECT_DOUBLE_EQ(std::abs(d.radius[3]), 500);
}

TEST(DesignModel, FocusMovesOnlyTheFocalPlane) {
    Design d = oneMirror(1000, 0, 0, 500);
    const Design before = d;
    focusToBestFit(d, 499.530369, 1.5);
    EXPECT_EQ(d.signedSeparation[1], 499.530369);
    EXPECT_EQ(d.separation[1], 499.530369);  // s(n-1) = -1
    EXPECT_EQ(d.tilt[2], 1.5);
    EXPECT_EQ(d.sinTilt[2], std::sin(1.5 * kDegree));
    EXPECT_EQ(d.radius[1], before.radius[1]);
    EXPECT_EQ(d.curvature[2], before.curvature[2]);
}
