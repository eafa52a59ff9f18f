// Monte-Carlo plots and the Airy overlay through recording devices.
#include <gtest/gtest.h>

#include <cmath>

#include "plot_test_util.h"
#include "plots/airy_overlay.h"
#include "plots/monte_carlo_plot.h"
#include "plots/standard_plot.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

struct RecordedRepaint : PlotWindow {
    std::vector<draw::Rect> invalidated;
    int updates = 0;
    void invalidate(const draw::Rect& r) override { invalidated.push_back(r); }
    void repaintPending() override { ++updates; }
};

void expectAllOnTheCentre(const draw::RecordingDevice& window) {
    const auto dots = window.callsOf("pixel");
    ASSERT_EQ(dots.size(), 8000u);
    for (const auto& c : dots) ASSERT_EQ(c.args, (std::vector<int>{320, 200}));
}

}  // namespace

TEST(MonteCarlo, BlurOfAFlatMirrorDrawsThePupilAt200PixelsRadius) {
    // A flat mirror with h = 1 images pupil point (u, v) at (u, v): extents
    // 2 x 2, scale 200.00001.  The first samples of every run, one quadrant each:
    //   16838, 5758 -> (u, v):   dx = round(-102.774) = -103, dy = round(35.145) = 35
    //   10113, 17515 -> (-u, v): dx = 62, dy = 107
    //   31051, 5627 -> (u, -v):  dx = -190, dy = -34
    //   23010, 7419 -> (-u, -v): dx = 140, dy = -45
    Bench b(flatMirror(2));
    plotUniformBlur(b.framed().plot);
    EXPECT_DOUBLE_EQ(b.frame.scale, 200.00001);
    const auto win = b.window.callsOf("pixel");
    ASSERT_EQ(win.size(), 8000u);
    EXPECT_EQ(b.buffer.callsOf("pixel").size(), 8000u);
    const int first[4][2] = {{-103, 35}, {62, 107}, {-190, -34}, {140, -45}};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(win[i].args, (std::vector<int>{320 + first[i][0], 200 + first[i][1]}));
    EXPECT_EQ(b.buffer.callsOf("pixel")[0].args, (std::vector<int>{512 - 103, 365 + 35}));
    // Each dot in its own quadrant of the disc of radius 200 (+ rounding).
    for (int i = 0; i < 8000; ++i) {
        const int dx = win[i].args[0] - 320, dy = win[i].args[1] - 200;
        ASSERT_LE(dx * dx + dy * dy, 201 * 201);
        ASSERT_TRUE((i % 2 == 0 ? dx <= 0 : dx >= 0) && (i % 4 < 2 ? dy >= 0 : dy <= 0)) << i;
    }
    // A spot twice as tall as wide spans 400 pixels in y; a spot without a
    // traced ray (NaN extents) is drawn as a point.
    EXPECT_DOUBLE_EQ(blurScale(1, 2), 200.00001);
    EXPECT_EQ(blurScale(NAN, NAN), 1e7);

    // The sequence goes on from plot to plot; a fresh run starts it again.
    Bench again(flatMirror(2));
    plotUniformBlur(again.framed().plot);
    EXPECT_EQ(again.window.callsOf("pixel")[0].args, win[0].args);
    b.window.clearCalls();
    plotUniformBlur(b.plot);
    EXPECT_NE(b.window.callsOf("pixel")[0].args, win[0].args);
}

TEST(MonteCarlo, PointFocusPutsAll8000DotsOnTheCentre) {
    Bench b(paraboloid());
    plotUniformBlur(b.framed().plot);
    EXPECT_EQ(b.frame.scale, 1e7);
    expectAllOnTheCentre(b.window);

    // Uniform Airy: the spot lies far inside the 200-pixel circle, which is
    // drawn hollow in the buffer only, with a forced repaint of its square.
    Bench a(paraboloid());
    RecordedRepaint repaint;
    a.plot.repaint = &repaint;
    plotUniformAiry(a.framed().plot);
    const double r = 25.4 * 2.684e-5 / (2 * 50 / std::sqrt(50.0 * 50 + 498.75 * 498.75));
    EXPECT_NEAR(a.frame.scale, 200.00001 / r, 1e-6);
    const auto ellipses = a.buffer.callsOf("ellipse");
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].args, (std::vector<int>{312, 165, 713, 566}));
    EXPECT_EQ(ellipses[0].fill, draw::kHollow);
    EXPECT_EQ(ellipses[0].pen, (draw::Pen{draw::rgb(0, 0, 0), 1, draw::LineStyle::solid}));
    ASSERT_EQ(repaint.invalidated.size(), 1u);
    EXPECT_EQ(repaint.invalidated[0], (draw::Rect{120, 0, 521, 401}));
    EXPECT_EQ(repaint.updates, 1);
    EXPECT_TRUE(a.window.callsOf("ellipse").empty());
    expectAllOnTheCentre(a.window);

    // A flat mirror does not converge: infinite Airy radius, scale 0 and
    // every dot on the centre rather than a division by zero; a standard
    // plot after it starts again from the default scale.
    Bench flat(flatMirror(100));
    plotUniformAiry(flat.framed().plot);
    EXPECT_EQ(flat.frame.scale, 0);
    expectAllOnTheCentre(flat.window);
    plotStandardSpots(flat.plot, kKeepScaleMode);
    EXPECT_EQ(flat.frame.scale, 1900);
}

TEST(AiryOverlay, RadiusInBothUnitsAndTheLimit) {
    // f/5 paraboloid: 0.0034172 mm -> 6.49 px at 1900 px/mm, 1.345e-4 inch
    // -> 6.46 px at 48000 px/inch.
    for (const char* units : {"mm", "inches"}) {
        Bench b(paraboloid(0, units));
        RecordedRepaint repaint;
        b.plot.repaint = &repaint;
        plotStandardSpots(b.framed().plot, kCmdStandardPlot);
        b.buffer.clearCalls();
        b.window.clearCalls();
        EXPECT_TRUE(drawAiryOverlay(b.plot, 628)) << units;
        const auto e = b.buffer.callsOf("ellipse");
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].args, (std::vector<int>{506, 359, 519, 372})) << units;
        EXPECT_EQ(e[0].fill, draw::kHollow);  // the dots inside stay visible
        ASSERT_EQ(repaint.invalidated.size(), 1u);
        EXPECT_EQ(repaint.invalidated[0], (draw::Rect{314, 194, 327, 207}));
        EXPECT_EQ(repaint.updates, 0);  // shown at the next repaint
        EXPECT_TRUE(b.window.calls().empty());
    }
    // The worked f/5 beam, L+ - L- = 0.2: 6 pixels in either unit.
    int px = 0;
    ASSERT_TRUE(airyCirclePixels(6.81736e-4 / 0.2, 1900, 628, px));
    EXPECT_EQ(px, 6);
    ASSERT_TRUE(airyCirclePixels(-2.684e-5 / 0.2, 48000, 628, px));
    EXPECT_EQ(px, 6);
    // Larger than the limit, infinite or NaN: nothing to draw.
    EXPECT_TRUE(airyCirclePixels(1, 628.9, 628, px));
    EXPECT_EQ(px, 628);
    for (double scale : {629.0, double(INFINITY), double(NAN)})
        EXPECT_FALSE(airyCirclePixels(1, scale, 628, px));

    Bench big(paraboloid());
    RecordedRepaint repaint;
    big.plot.repaint = &repaint;
    big.framed().frame.scale = 1e6;  // 3417 pixels
    EXPECT_FALSE(drawAiryOverlay(big.plot, 628));
    EXPECT_TRUE(big.buffer.callsOf("ellipse").empty());
    EXPECT_TRUE(repaint.invalidated.empty());
}
