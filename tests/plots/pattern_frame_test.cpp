// Pupil patterns and the plot frame.
#include <gtest/gtest.h>

#include <cmath>

#include "plot_test_util.h"
#include "plots/pupil_pattern.h"
#include "support/tolerances.h"

using namespace orvelin;
using namespace orvelin::plottest;

TEST(RingPattern, ReflectedRingsAreFullCircles) {
    for (int rings : {1, 2, 3, 8, 108}) {
        const auto pattern = ringPattern(rings);
        // Reflected in both axes, ring j is 6 j points on radius j / N, 60 / j
        // degrees apart from the +x axis: 3 N (N + 1) in all.
        std::set<std::pair<long, long>> full;
        std::size_t at = 0;
        for (int j = rings; j >= 1; --j)
            for (int k = 0; k < ringListedCount(j); ++k, ++at) {
                ASSERT_LT(at, pattern.size());
                const PupilPoint p = pattern[at];
                EXPECT_NEAR(std::hypot(p.a, p.b), double(j) / rings, orvelin::testing::kFewRoundings);
                EXPECT_NEAR(std::atan2(p.b, p.a) * 180 / M_PI, k * 60.0 / j, orvelin::testing::kWorkedFigure) << j << " " << k;
                for (double sa : {1, -1})
                    for (double sb : {1, -1})
                        full.insert({std::lround(sa * p.a * 1e9), std::lround(sb * p.b * 1e9)});
            }
        EXPECT_EQ(at, pattern.size());
        EXPECT_EQ(long(full.size()), 3L * rings * (rings + 1));
        EXPECT_EQ(fullRingPatternCount(rings), 3L * rings * (rings + 1));
    }
    EXPECT_TRUE(ringPattern(0).empty());
    EXPECT_TRUE(ringPattern(-3).empty());

    // The stored 8-decimal table is the 8-ring pattern.
    const auto generated = ringPattern(8);
    ASSERT_EQ(generated.size(), std::size_t(kStandardPatternSize));
    for (int i = 0; i < kStandardPatternSize; ++i) {
        EXPECT_NEAR(StandardPupilPattern[i].a, generated[i].a, 5e-9) << i;
        EXPECT_NEAR(StandardPupilPattern[i].b, generated[i].b, 5e-9) << i;
    }
    EXPECT_DOUBLE_EQ(StandardPupilPattern[1].b, 0.13052619);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[59].b, 0.10825318);
}

TEST(PlotFrame, SetUpFromClientAreaAndScreen) {
    PlotFrame f;
    for (auto [width, centre] : {std::pair{639, 320}, {640, 320}, {641, 321}}) {
        f.windowOriginX = -7;
        setUpPlotFrame(f, width, 400, 1024, 768);
        EXPECT_EQ(f.windowCentreX, centre);
        EXPECT_EQ(f.windowOriginX, centre);
    }
    f.bufferOriginX = 3;
    EXPECT_EQ(setUpPlotFrame(f, 640, 413, 1024, 768), 628);  // sqrt(512^2 + 365^2) = 628.78
    EXPECT_EQ(f.windowCentreY, 207);
    EXPECT_EQ(f.bufferCentreX, 512);
    EXPECT_EQ(f.bufferCentreY, 365);
    EXPECT_EQ(f.bufferOriginX, 512);
}

TEST(PlotFrame, ScaleModesAndFocusSteps) {
    const Design mm = paraboloid(), inches = paraboloid(0, "inches"), other = paraboloid(0, "furlongs");
    EXPECT_EQ(defaultPlotScale(other), 48000);  // any unit but "mm"

    // 606 twice from the default: scale x4, field offset 576; F4 halves;
    // mode 4 keeps; a reset in inches comes back to offset 144.
    PlotFrame f;
    applyScaleMode(f, mm, kCmdStandardPlot);
    applyScaleMode(f, mm, kCmdDoubleScaleAndOffset);
    applyScaleMode(f, mm, kCmdDoubleScaleAndOffset);
    EXPECT_EQ(f.scale, 7600);
    EXPECT_EQ(f.fieldOffset, 576);
    applyScaleMode(f, mm, kCmdHalfScale);
    applyScaleMode(f, mm, kKeepScaleMode);
    EXPECT_EQ(f.scale, 3800);
    EXPECT_EQ(f.fieldOffset, 576);
    applyScaleMode(f, inches, kCmdStandardPlot);
    EXPECT_EQ(f.scale, 48000);
    EXPECT_EQ(f.fieldOffset, 144);

    // F4 after a Monte-Carlo plot halves that plot's scale.
    f.scale = 123.5;
    applyScaleMode(f, mm, kCmdHalfScale);
    EXPECT_EQ(f.scale, 61.75);

    // A scale a degenerate Monte-Carlo plot could leave is taken as unset,
    // so the focus step stays a finite length.
    for (double bad : {double(INFINITY), double(NAN), 0.0, -5.0}) {
        f.scale = bad;
        applyScaleMode(f, mm, kKeepScaleMode);
        EXPECT_EQ(f.scale, 1900) << bad;
        EXPECT_DOUBLE_EQ(f.focusStep, 32.0 / 1900);
    }

    // A focus step updates the derived separation too; other commands and
    // a design without a mirror are left alone.
    Design d = paraboloid();
    stepFocus(d, f, kCmdFocusIn);
    stepFocus(d, f, kCmdStandardPlot);
    EXPECT_DOUBLE_EQ(d.surfaces[1].separation, 500 - 32.0 / 1900);
    EXPECT_DOUBLE_EQ(d.surfaces[1].signedSeparation, -d.surfaces[1].mediumSign * d.surfaces[1].separation);
    Design empty;
    stepFocus(empty, f, kCmdFocusOut);
    EXPECT_EQ(empty.surfaces[0].separation, 0);
}
