// Pupil patterns, the random source and the plot frame.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "plot_test_util.h"
#include "plots/plot_frame.h"
#include "plots/pupil_pattern.h"
#include "plots/random.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {
constexpr double kTableTolerance = 5e-9;  // the stored table has 8 decimals
constexpr double kAngleTolerance = 1e-9;  // degrees

// Angle of a pupil point from the +x axis, in degrees.
double angleOf(const PupilPoint& p) {
    return std::atan2(p.b, p.a) * 180 / M_PI;
}
}  // namespace

TEST(RandomSource, StartsFromTheSameState) {
    RandomSource r;
    // The classic sequence of this generator from state 1.
    const int first[] = {16838, 5758, 10113, 17515, 31051, 5627, 23010, 7419, 16212, 4086};
    for (int v : first) EXPECT_EQ(nextRandom(r), v);

    // A second source is not seeded from the first: it starts over.
    RandomSource again;
    EXPECT_EQ(nextRandom(again), 16838);
}

TEST(RingPattern, CountsAnglesAndRadii) {
    // Ring j lists 1.5 j + 1 points (j even) or 1.5 j + 0.5 (j odd).
    const int listed[] = {0, 2, 4, 5, 7, 8, 10, 11, 13};
    for (int j = 1; j <= 8; ++j) EXPECT_EQ(ringListedCount(j), listed[j]) << "ring " << j;

    for (int rings : {1, 2, 3, 8, 16, 108}) {
        const auto pattern = ringPattern(rings);
        long expectedListed = 0;
        for (int j = 1; j <= rings; ++j) expectedListed += ringListedCount(j);
        ASSERT_EQ(static_cast<long>(pattern.size()), expectedListed) << rings;

        // Reflecting each ring in both axes gives exactly 6 j points, on the
        // circle of radius j / N, 60 / j degrees apart from the +x axis.
        std::size_t at = 0;
        long full = 0;
        for (int j = rings; j >= 1; --j) {
            std::set<std::pair<long, long>> ring;
            const double radius = static_cast<double>(j) / rings;
            for (int k = 0; k < ringListedCount(j); ++k, ++at) {
                const PupilPoint p = pattern[at];
                EXPECT_NEAR(std::hypot(p.a, p.b), radius, 1e-12);
                EXPECT_NEAR(angleOf(p), k * 60.0 / j, kAngleTolerance) << "ring " << j << " point " << k;
                EXPECT_GE(p.a, 0);
                EXPECT_GE(p.b, 0);
                for (double sa : {1.0, -1.0})
                    for (double sb : {1.0, -1.0})
                        ring.insert({std::lround(sa * p.a * 1e9), std::lround(sb * p.b * 1e9)});
            }
            EXPECT_EQ(static_cast<long>(ring.size()), 6L * j) << "ring " << j << " of " << rings;
            full += static_cast<long>(ring.size());
        }
        EXPECT_EQ(full, fullRingPatternCount(rings));
        EXPECT_EQ(full, 3L * rings * (rings + 1));
    }
    EXPECT_EQ(fullRingPatternCount(8), 216);
    EXPECT_EQ(fullRingPatternCount(108), 35316);
    EXPECT_TRUE(ringPattern(0).empty());
    EXPECT_TRUE(ringPattern(-3).empty());
}

TEST(RingPattern, StandardTableIsTheEightRingPattern) {
    const auto generated = ringPattern(8);
    ASSERT_EQ(generated.size(), 60u);
    int onXAxis = 0, onYAxis = 0;
    for (int i = 0; i < kStandardPatternSize; ++i) {
        EXPECT_NEAR(StandardPupilPattern[i].a, generated[i].a, kTableTolerance) << i;
        EXPECT_NEAR(StandardPupilPattern[i].b, generated[i].b, kTableTolerance) << i;
        onXAxis += StandardPupilPattern[i].b == 0;
        onYAxis += StandardPupilPattern[i].a == 0;
    }
    EXPECT_EQ(onXAxis, 8);  // theta = 0 on every ring
    EXPECT_EQ(onYAxis, 4);  // theta = 90 on rings 8, 6, 4, 2
    // First and last entries as tabulated.
    EXPECT_EQ(StandardPupilPattern[0].a, 1);
    EXPECT_EQ(StandardPupilPattern[0].b, 0);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[1].a, 0.99144486);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[1].b, 0.13052619);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[2].a, 0.96592583);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[2].b, 0.25881905);
    EXPECT_EQ(StandardPupilPattern[58].a, 0.125);
    EXPECT_EQ(StandardPupilPattern[58].b, 0);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[59].a, 0.0625);
    EXPECT_DOUBLE_EQ(StandardPupilPattern[59].b, 0.10825318);
    // The centring rays.
    const double ref[6][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {0.45, 0}, {-0.45, 0}};
    for (int i = 0; i < kReferencePointCount; ++i) {
        EXPECT_EQ(ReferencePupilPoints[i].a, ref[i][0]);
        EXPECT_EQ(ReferencePupilPoints[i].b, ref[i][1]);
    }
}

TEST(PlotFrame, SetUpFromClientAreaAndScreen) {
    PlotFrame f;
    // (right + 1) / 2 for the client widths 639, 640, 641.
    const int widths[] = {639, 640, 641};
    const int centres[] = {320, 320, 321};
    for (int i = 0; i < 3; ++i) {
        f.windowOriginX = -7;
        setUpPlotFrame(f, widths[i], 400, 1024, 768);
        EXPECT_EQ(f.windowCentreX, centres[i]);
        EXPECT_EQ(f.windowOriginX, centres[i]);
    }
    // 1024 x 768: buffer 1024 x 730, centre (512, 365), half diagonal 628.
    f.bufferOriginX = 3;
    const int limit = setUpPlotFrame(f, 640, 413, 1024, 768);
    EXPECT_EQ(f.windowCentreY, 207);
    EXPECT_EQ(f.bufferCentreX, 512);
    EXPECT_EQ(f.bufferCentreY, 365);
    EXPECT_EQ(f.bufferOriginX, 512);
    EXPECT_EQ(limit, 628);                                     // sqrt(512^2 + 365^2) = 628.78
    EXPECT_EQ(setUpPlotFrame(f, 800, 600, 1920, 1080), 1092);  // sqrt(960^2 + 521^2) = 1092.26
}

TEST(PlotFrame, ScaleModesAndFocusSteps) {
    Design mm = paraboloid();
    Design inches = paraboloid(0, "inches");
    Design other = paraboloid(0, "furlongs");
    EXPECT_EQ(defaultPlotScale(mm), 1900);
    EXPECT_EQ(defaultPlotScale(inches), 48000);
    EXPECT_EQ(defaultPlotScale(other), 48000);  // any unit but "mm"

    // The first plot resets a zero scale, whatever the mode; the mode's
    // factor then applies to the default.
    PlotFrame f;
    applyScaleMode(f, mm, kCommandDoubleScale);
    EXPECT_EQ(f.scale, 3800);
    EXPECT_EQ(f.fieldOffset, 144);
    EXPECT_DOUBLE_EQ(f.focusStep, 32.0 / 3800);

    // 606 twice from the default: scale x4, field offset 576.
    applyScaleMode(f, mm, kCommandStandardPlot);
    EXPECT_EQ(f.scale, 1900);
    applyScaleMode(f, mm, kCommandDoubleScaleAndOffset);
    applyScaleMode(f, mm, kCommandDoubleScaleAndOffset);
    EXPECT_EQ(f.scale, 7600);
    EXPECT_EQ(f.fieldOffset, 576);
    // F4 halves, the focus step keeps the scale and the offset.
    applyScaleMode(f, mm, kCommandHalfScale);
    EXPECT_EQ(f.scale, 3800);
    applyScaleMode(f, mm, kKeepScaleMode);
    EXPECT_EQ(f.scale, 3800);
    EXPECT_EQ(f.fieldOffset, 576);
    applyScaleMode(f, inches, kCommandStandardPlot);
    EXPECT_EQ(f.scale, 48000);
    EXPECT_EQ(f.fieldOffset, 144);
    EXPECT_DOUBLE_EQ(f.focusStep, 32.0 / 48000);

    // F4 after a Monte-Carlo plot halves that plot's scale.
    f.scale = 123.5;
    applyScaleMode(f, mm, kCommandHalfScale);
    EXPECT_EQ(f.scale, 61.75);

    // A scale a degenerate Monte-Carlo plot could leave (infinite, NaN, zero)
    // is taken as unset, so the focus step stays a finite length.
    for (double bad : {double(INFINITY), double(NAN), 0.0, -5.0}) {
        f.scale = bad;
        applyScaleMode(f, mm, kKeepScaleMode);
        EXPECT_EQ(f.scale, 1900) << bad;
        EXPECT_DOUBLE_EQ(f.focusStep, 32.0 / 1900);
    }

    // Focus steps move the focal plane by the step and update the derived
    // separation; other commands change nothing.
    Design d = paraboloid();
    PlotFrame g;
    stepFocus(d, g, kCommandFocusIn);  // before any standard plot: step 0
    EXPECT_EQ(d.separation[1], 500);
    applyScaleMode(g, d, kCommandStandardPlot);
    stepFocus(d, g, kCommandFocusIn);
    EXPECT_DOUBLE_EQ(d.separation[1], 500 - 32.0 / 1900);
    EXPECT_DOUBLE_EQ(d.signedSeparation[1], -d.mediumSign[1] * d.separation[1]);
    stepFocus(d, g, kCommandFocusOut);
    stepFocus(d, g, kCommandFocusOut);
    EXPECT_DOUBLE_EQ(d.separation[1], 500 + 32.0 / 1900);
    stepFocus(d, g, kCommandStandardPlot);
    EXPECT_DOUBLE_EQ(d.separation[1], 500 + 32.0 / 1900);
    Design empty;  // no mirror: nothing to move
    stepFocus(empty, g, kCommandFocusOut);
    EXPECT_EQ(empty.separation[0], 0);
}

TEST(PlotFrame, AiryDiskRadiusOfTheParaboloid) {
    // The rim rays of an f/5 paraboloid (focal length 500) leave its rim,
    // sag 50^2 / 2000 = 1.25, towards the focus: L = -+50 / sqrt(50^2 + 498.75^2).
    const double l = 50 / std::sqrt(50.0 * 50 + 498.75 * 498.75);
    const double inch = 2.684e-5 / (-2 * l);  // L+ - L- = -2 l
    Design mm = paraboloid();
    Design in = paraboloid(0, "inches");
    TraceState t;
    ASSERT_TRUE(setEntranceTangential(mm, t));
    EXPECT_NEAR(airyDiskRadius(mm, t), inch * 25.4, 1e-12);
    EXPECT_NEAR(airyDiskRadius(in, t), inch, 1e-12);
    EXPECT_NEAR(std::fabs(airyDiskRadius(mm, t)), 0.0034172, 1e-7);  // 3.4 um
    EXPECT_EQ(t.status, kTraceOk);

    // A flat mirror does not converge the beam: L+ = L-, infinite radius.
    Design flat = flatMirror(100);
    ASSERT_TRUE(setEntranceTangential(flat, t));
    EXPECT_TRUE(std::isinf(airyDiskRadius(flat, t)));
}
