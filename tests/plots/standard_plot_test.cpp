// The standard spot plot, through recording devices: every pixel position
// below is worked out from the mapping dx = trunc((spotCentreX - x) scale),
// dy = trunc(y scale) around the plot centre (320, 200) of the window and
// (512, 365) of the plot buffer.
#include "plots/standard_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "plot_test_util.h"
#include "plots/plot_dispatch.h"
#include "plots/pupil_pattern.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

// A flat-mirror design whose rim lands 19.5 pixels from the centre at the
// default 1900 px/mm: no pattern point then sits near a pixel boundary.
constexpr double kRimPixels = 19.5;
Design flatSpotDesign(double field = 0) {
    return flatMirror(2 * kRimPixels / 1900, field);
}

void prepare(Bench& b) {
    setUpPlotFrame(b.frame, 640, 400, 1024, 768);
}

// The pattern's pixels as the flat mirror images it: pupil point (a, b)
// lands at dx = trunc(-a 19.5), dy = trunc(b 19.5), mirrored in a and b.
PixelSet patternPixels(int cx, int cy) {
    PixelSet s;
    for (const PupilPoint& p : StandardPupilPattern)
        for (double sa : {1.0, -1.0})
            for (double sb : {1.0, -1.0})
                s.insert({cx + static_cast<int>(-sa * p.a * kRimPixels),
                          cy + static_cast<int>(sb * p.b * kRimPixels)});
    return s;
}

}  // namespace

TEST(StandardPlot, ParaboloidAxialSpotIsOnePixelAtTheCentre) {
    Bench b(paraboloid());
    prepare(b);
    plotStandardSpots(b.plot, kCommandStandardPlot);
    EXPECT_EQ(b.frame.scale, 1900);
    EXPECT_EQ(b.frame.fieldOffset, 144);
    EXPECT_DOUBLE_EQ(b.frame.focusStep, 32.0 / 1900);
    EXPECT_EQ(b.trace.status, kTraceOk);
    // 60 pattern points, 56 of them off the y axis and traced twice: 116
    // rays, each setting a pixel and its mirror image.
    const auto win = b.window.callsOf("setPixel");
    const auto buf = b.buffer.callsOf("setPixel");
    ASSERT_EQ(win.size(), 232u);
    ASSERT_EQ(buf.size(), 232u);
    for (const auto& c : win) {
        EXPECT_EQ(c.args, (std::vector<int>{320, 200}));
        EXPECT_EQ(c.color, gdi::RGB(255, 255, 255));
    }
    for (const auto& c : buf) EXPECT_EQ(c.args, (std::vector<int>{512, 365}));
    // Nothing but dots: no frame, axis or label.
    EXPECT_EQ(b.window.calls().size(), 232u);
    EXPECT_EQ(b.buffer.calls().size(), 232u);
}

TEST(StandardPlot, FlatMirrorDrawsThePupilPatternItself) {
    Bench b(flatSpotDesign());
    prepare(b);
    plotStandardSpots(b.plot, kCommandStandardPlot);
    EXPECT_EQ(b.frame.spotCentreX, 0);
    const auto win = b.window.callsOf("setPixel");
    ASSERT_EQ(win.size(), 232u);
    // First pattern point (1, 0): the ray at x = +h lands 19 pixels left,
    // on the axis (its mirror image is the same pixel); then x = -h, right.
    EXPECT_EQ(win[0].args, (std::vector<int>{301, 200}));
    EXPECT_EQ(win[1].args, (std::vector<int>{301, 200}));
    EXPECT_EQ(win[2].args, (std::vector<int>{339, 200}));
    EXPECT_EQ(win[3].args, (std::vector<int>{339, 200}));
    // The buffer gets the same dots around its own centre, after the window.
    const auto buf = b.buffer.callsOf("setPixel");
    EXPECT_EQ(buf[0].args, (std::vector<int>{493, 365}));
    EXPECT_EQ(buf[2].args, (std::vector<int>{531, 365}));

    const PixelSet w = pixels(b.window);
    // (0.5, 0.8660254): 9.75 and 16.89 pixels -> 9 and 16.
    for (auto p : {std::pair{311, 216}, {311, 184}, {329, 216}, {329, 184}}) EXPECT_TRUE(w.count(p));
    // (0, 1) is traced once: (320, 219) and its mirror (320, 181).
    EXPECT_TRUE(w.count({320, 219}));
    EXPECT_TRUE(w.count({320, 181}));
    EXPECT_EQ(w, patternPixels(320, 200));
    EXPECT_EQ(pixels(b.buffer), shifted(w, 192, 165));
}

TEST(StandardPlot, SymmetricFieldSpotAtTheFourFieldOffsets) {
    Bench b(flatSpotDesign(1.0));
    ASSERT_TRUE(isSymmetricSystem(b.design));
    prepare(b);
    plotStandardSpots(b.plot, kCommandStandardPlot);
    // Axial spot, then the one traced field spot at eight pixels per ray.
    EXPECT_EQ(b.window.callsOf("setPixel").size(), 232u + 116u * 8);
    EXPECT_EQ(b.buffer.callsOf("setPixel").size(), 232u + 116u * 8);
    const PixelSet w = pixels(b.window);
    // Pupil point (0, 1), dx = 0, dy = 19: left and right at x = 320 -+ 144,
    // top and bottom turned a quarter: (320 -+ 19, 200 -+ 144).
    for (auto p : {std::pair{176, 181},
                   {176, 219},
                   {464, 181},
                   {464, 219},
                   {301, 56},
                   {339, 56},
                   {301, 344},
                   {339, 344}})
        EXPECT_TRUE(w.count(p)) << p.first << "," << p.second;
    // Pupil point (1, 0) at x = +h, dx = -19: left 157, right 483 (mirror),
    // top 56 - 19 = 37, bottom 344 + 19 = 363.
    for (auto p : {std::pair{157, 200}, {483, 200}, {320, 37}, {320, 363}}) EXPECT_TRUE(w.count(p));
    // The flat mirror's field spot is the pattern itself.  Left and right
    // copies are the pattern (it is symmetric in x); the top and bottom
    // copies are turned a quarter, which swaps dx and dy.
    const PixelSet pattern = patternPixels(0, 0);
    PixelSet turned;
    for (auto [x, y] : pattern) turned.insert({y, x});
    EXPECT_NE(turned, pattern);
    PixelSet expected = shifted(pattern, 320, 200);
    for (auto [set, dx, dy] :
         {std::tuple{&pattern, 176, 200}, {&pattern, 464, 200}, {&turned, 320, 56}, {&turned, 320, 344}}) {
        PixelSet copy = shifted(*set, dx, dy);
        expected.insert(copy.begin(), copy.end());
    }
    EXPECT_EQ(w, expected);
    EXPECT_EQ(b.frame.windowOriginX, 320);
}

TEST(StandardPlot, TiltedMirrorTracesThreeFieldSpotsInPlace) {
    // A paraboloid tilted half a degree (an off-axis paraboloid): curved and
    // tilted, so the + and - field edges differ (the field angle adds to the
    // tilt on one side and takes from it on the other) and the sagittal edge
    // is traced in full.
    Bench b(makeDesign({{1000, 1, 0.5, 500}, {0, 0, 0, 0}}, 100, 0.25));
    ASSERT_FALSE(isSymmetricSystem(b.design));
    prepare(b);
    plotStandardSpots(b.plot, kCommandStandardPlot);
    EXPECT_EQ(b.trace.status, kTraceOk);
    const auto win = b.window.callsOf("setPixel");
    // Axial, left and right: 116 rays x 2; sagittal: 216 rays x 2.
    ASSERT_EQ(win.size(), 3u * 232 + 432);
    // Every dot falls in the square of half side 72 around its spot centre,
    // 144 pixels from the plot centre.
    auto countNear = [&](int cx, int cy) {
        int n = 0;
        for (const auto& c : win) n += std::abs(c.args[0] - cx) < 72 && std::abs(c.args[1] - cy) < 72;
        return n;
    };
    EXPECT_EQ(countNear(320, 200), 232);
    EXPECT_EQ(countNear(176, 200), 232);
    EXPECT_EQ(countNear(464, 200), 232);
    EXPECT_EQ(countNear(320, 344), 216);
    EXPECT_EQ(countNear(320, 56), 216);
    // The upper sagittal spot is the exact mirror image of the lower one.
    PixelSet lower, upperMirrored;
    for (const auto& c : win) {
        if (c.args[1] > 272) lower.insert({c.args[0], c.args[1]});
        if (c.args[1] < 128) upperMirrored.insert({c.args[0], 400 - c.args[1]});
    }
    EXPECT_FALSE(lower.empty());
    EXPECT_EQ(lower, upperMirrored);
    // The sagittal spot is centred vertically on its chief ray.
    startFieldRaySagittal(b.design, b.trace.ray);
    ASSERT_TRUE(traceToImage(b.design, b.trace));
    EXPECT_EQ(b.frame.spotCentreY, b.trace.ray.y);
    EXPECT_NE(b.frame.spotCentreY, 0);
    // The origins are back at the centres.
    EXPECT_EQ(b.frame.windowOriginX, 320);
    EXPECT_EQ(b.frame.bufferOriginX, 512);
    // Same picture in the buffer, moved to its centre.
    EXPECT_EQ(pixels(b.buffer), shifted(pixels(b.window), 192, 165));
}

TEST(StandardPlot, SymmetryTest) {
    EXPECT_TRUE(isSymmetricSystem(paraboloid(0.5)));
    // A tilted flat (both radii 0) keeps the symmetry.
    EXPECT_TRUE(isSymmetricSystem(makeDesign({{0, 0, 45, 100}, {1000, 1, 0, 500}, {0, 0, 0, 0}}, 100)));
    EXPECT_FALSE(isSymmetricSystem(makeDesign({{1000, 1, 2, 500}, {0, 0, 0, 0}}, 100)));
    // A curved, tilted focal plane counts too.
    EXPECT_FALSE(isSymmetricSystem(makeDesign({{1000, 1, 0, 500}, {-300, 0, 3, 0}}, 100)));
    EXPECT_TRUE(isSymmetricSystem(makeDesign({{1000, 1, 0, 500}, {0, 0, 3, 0}}, 100)));
}

TEST(StandardPlot, FailedRaysDrawNoDotAndThePlotGoesOn) {
    // A flat mirror, then an oblate ellipsoid only 10 wide in semi-axis
    // (radius 100, 1 - K = 100) in a beam of semi-aperture 20: the rays of
    // the outer rings miss mirror 2, the inner ones are focused.
    Bench b(makeDesign({{0, 0, 0, 100}, {100, -99, 0, 50}, {0, 0, 0, 0}}, 40));
    prepare(b);
    plotStandardSpots(b.plot, kCommandStandardPlot);
    EXPECT_EQ(b.trace.status, traceMissStatus(2));
    // Rings 8 to 5 (radius > 0.5 of 20) miss; rings 1 to 3 (4 + 7 + 10
    // rays) reach the image, ring 4 grazes the rim.  The plot went on past
    // the misses of the outer rings, and drew two pixels per ray that
    // reached the image, none for a ray that did not.
    const auto win = b.window.callsOf("setPixel");
    EXPECT_GE(win.size(), 42u);
    EXPECT_LT(win.size(), 232u);
    TraceState t;
    int reached = 0;
    const double h = b.design.semiAperture;
    for (const PupilPoint& q : StandardPupilPattern)
        for (double sa : {1.0, -1.0}) {
            if (sa < 0 && q.a == 0) continue;
            startAxialRay(t.ray);
            t.ray.x = sa * q.a * h;
            t.ray.y = q.b * h;
            reached += traceToImage(b.design, t);
        }
    EXPECT_EQ(win.size(), 2u * reached);
    EXPECT_EQ(b.buffer.callsOf("setPixel").size(), 2u * reached);
}
