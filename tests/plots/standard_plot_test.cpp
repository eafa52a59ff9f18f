// The standard spot plot through recording devices: every pixel below is
// worked out from dx = trunc((spotCentreX - x) scale), dy = trunc(y scale)
// around the plot centre (320, 200) of the window and (512, 365) of the buffer.
#include "plots/standard_plot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "plot_test_util.h"
#include "plots/pupil_pattern.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

// A flat mirror whose rim lands 19.5 pixels from the centre at 1900 px/mm:
// the spot is the pupil pattern, no point of it near a pixel boundary.
constexpr double kRimPixels = 19.5;

PixelSet patternPixels() {
    PixelSet s;
    for (const PupilPoint& p : StandardPupilPattern)
        for (double sa : {1, -1})
            for (double sb : {1, -1}) s.insert({int(-sa * p.a * kRimPixels), int(sb * p.b * kRimPixels)});
    return s;
}

}  // namespace

TEST(StandardPlot, FlatMirrorDrawsThePupilPatternAtTheFourFieldOffsets) {
    // All tilts 0 and a field of 1 degree: the axial spot, then one traced
    // field spot drawn at the four field offsets, eight pixels per ray.
    Bench b(flatMirror(2 * kRimPixels / 1900, 1.0));
    ASSERT_TRUE(isSymmetricSystem(b.design));
    plotStandardSpots(b.framed().plot, kCmdStandardPlot);
    const auto win = b.window.callsOf("pixel");
    ASSERT_EQ(win.size(), 232u + 116u * 8);
    // Pattern point (1, 0): x = +h lands 19 pixels left, twice on the axis;
    // then x = -h, right.  The buffer gets the same around its centre.
    for (auto [i, x] : {std::pair{0, 301}, {1, 301}, {2, 339}, {3, 339}})
        EXPECT_EQ(win[i].args, (std::vector<int>{x, 200})) << i;
    EXPECT_EQ(b.buffer.callsOf("pixel")[2].args, (std::vector<int>{531, 365}));
    // Axial: (0.5, 0.8660254) at 9.75 and 16.89 pixels; (0, 1) and its
    // mirror.  Field: (0, 1) left and right at 320 -+ 144, top and bottom
    // turned a quarter; (1, 0) at x = +h: 157, 483, and 37, 363.
    const PixelSet w = pixels(b.window);
    const int byHand[][2] = {{311, 216}, {329, 184}, {320, 219}, {320, 181}, {176, 181}, {464, 219},
                             {301, 56},  {339, 344}, {157, 200}, {483, 200}, {320, 37},  {320, 363}};
    for (auto [x, y] : byHand) EXPECT_TRUE(w.count({x, y})) << x << "," << y;
    // Left and right copies are the pattern (symmetric in x); top and bottom
    // are turned a quarter, which swaps dx and dy.
    const PixelSet pattern = patternPixels();
    PixelSet turned;
    for (auto [x, y] : pattern) turned.insert({y, x});
    PixelSet expected = shifted(pattern, 320, 200);
    for (auto [set, dx, dy] :
         {std::tuple{&pattern, 176, 200}, {&pattern, 464, 200}, {&turned, 320, 56}, {&turned, 320, 344}}) {
        const PixelSet copy = shifted(*set, dx, dy);
        expected.insert(copy.begin(), copy.end());
    }
    EXPECT_EQ(w, expected);
    EXPECT_EQ(pixels(b.buffer), shifted(w, 192, 165));
    EXPECT_EQ(b.frame.windowOriginX, 320);
}

TEST(StandardPlot, TiltedMirrorTracesThreeFieldSpotsInPlace) {
    // An off-axis paraboloid: the + and - field edges differ and the
    // sagittal edge is traced in full.
    Bench b(makeDesign({{1000, 1, 0.5, 500}, {0, 0, 0, 0}}, 100, 0.25));
    ASSERT_FALSE(isSymmetricSystem(b.design));
    plotStandardSpots(b.framed().plot, kCmdStandardPlot);
    EXPECT_EQ(b.trace.status, kTraceOk);
    const auto win = b.window.callsOf("pixel");
    ASSERT_EQ(win.size(), 3u * 232 + 432);  // axial, left, right: 116 rays; sagittal: 216
    // Every dot within 72 pixels of its spot centre, 144 from the plot centre
    // (the sagittal spot centred vertically on its chief ray).
    auto countNear = [&](int cx, int cy) {
        int n = 0;
        for (const auto& c : win) n += std::abs(c.args[0] - cx) < 72 && std::abs(c.args[1] - cy) < 72;
        return n;
    };
    for (auto [cx, cy, n] :
         {std::tuple{320, 200, 232}, {176, 200, 232}, {464, 200, 232}, {320, 344, 216}, {320, 56, 216}})
        EXPECT_EQ(countNear(cx, cy), n) << cx << "," << cy;
    // The upper sagittal spot is the exact mirror image of the lower one.
    PixelSet lower, upperMirrored;
    for (const auto& c : win) {
        if (c.args[1] > 272) lower.insert({c.args[0], c.args[1]});
        if (c.args[1] < 128) upperMirrored.insert({c.args[0], 400 - c.args[1]});
    }
    EXPECT_FALSE(lower.empty());
    EXPECT_EQ(lower, upperMirrored);
    EXPECT_EQ(b.frame.windowOriginX, 320);
    EXPECT_EQ(b.frame.bufferOriginX, 512);
    EXPECT_EQ(pixels(b.buffer), shifted(pixels(b.window), 192, 165));
}

TEST(StandardPlot, SymmetryTest) {
    EXPECT_TRUE(isSymmetricSystem(paraboloid(0.5)));
    // A tilted flat (both radii 0) keeps the symmetry; a curved, tilted
    // focal plane breaks it.
    EXPECT_TRUE(isSymmetricSystem(makeDesign({{0, 0, 45, 100}, {1000, 1, 0, 500}, {0, 0, 0, 0}}, 100)));
    EXPECT_TRUE(isSymmetricSystem(makeDesign({{1000, 1, 0, 500}, {0, 0, 3, 0}}, 100)));
    EXPECT_FALSE(isSymmetricSystem(makeDesign({{1000, 1, 0, 500}, {-300, 0, 3, 0}}, 100)));
}

TEST(StandardPlot, FailedRaysDrawNoDotAndThePlotGoesOn) {
    // A flat mirror, then an oblate ellipsoid only 10 wide in semi-axis in a
    // beam of semi-aperture 20: the outer rings miss mirror 2.
    Bench b(makeDesign({{0, 0, 0, 100}, {100, -99, 0, 50}, {0, 0, 0, 0}}, 40));
    plotStandardSpots(b.framed().plot, kCmdStandardPlot);
    EXPECT_EQ(b.trace.status, traceMissStatus(2));
    // Rings 8 to 5 miss, rings 1 to 3 (21 rays) reach the image: the plot
    // went on past the misses, and a ray that missed draws no dot.
    const auto dots = b.window.callsOf("pixel").size();
    EXPECT_GE(dots, 42u);
    EXPECT_LT(dots, 232u);
    EXPECT_EQ(b.buffer.callsOf("pixel").size(), dots);
}
