// Monte-Carlo plots and the Airy overlay through recording devices.
#include <gtest/gtest.h>

#include <cmath>

#include "plot_test_util.h"
#include "plots/airy_overlay.h"
#include "plots/monte_carlo_plot.h"
#include "plots/plot_dispatch.h"
#include "plots/standard_plot.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

struct RecordedRepaint : PlotWindow {
    std::vector<gdi::Rect> invalidated;
    int updates = 0;
    void invalidateRect(const gdi::Rect& r) override { invalidated.push_back(r); }
    void updateWindow() override { ++updates; }
};

void prepare(Bench& b) {
    setUpPlotFrame(b.frame, 640, 400, 1024, 768);
}

}  // namespace

TEST(MonteCarlo, SamplesAreUniformInTheQuarterDisc) {
    Design d = paraboloid();
    RandomSource r;
    RayState ray;
    ray.x = 3;
    ray.N = 0.5;
    // The generator's first pair, 16838 and 5758, is inside the unit circle.
    PupilSample s = samplePupilPoint(d, r, ray);
    EXPECT_DOUBLE_EQ(s.u, 16838.0 / 32767 * 50);
    EXPECT_DOUBLE_EQ(s.v, 5758.0 / 32767 * 50);
    EXPECT_EQ(ray.x, 0);  // started as an axial ray
    EXPECT_EQ(ray.N, 1);
    // Every sample lies in the quarter disc of radius h.
    for (int i = 0; i < 20000; ++i) {
        s = samplePupilPoint(d, r, ray);
        ASSERT_TRUE(s.u >= 0 && s.v >= 0 && s.u * s.u + s.v * s.v <= 50.0 * 50 * (1 + 1e-12));
    }

    // The scale of a blur with no measurable size is 1e7.
    EXPECT_EQ(blurScale(0, 0), 1e7);
    EXPECT_EQ(blurScale(NAN, NAN), 1e7);
    EXPECT_DOUBLE_EQ(blurScale(1, 2), 200.00001);  // taller than wide: the height spans 400
    EXPECT_DOUBLE_EQ(blurScale(2, 1), 200.00001);
}

TEST(MonteCarlo, BlurOfAFlatMirrorDrawsThePupilAt200PixelsRadius) {
    // A flat mirror images pupil point (u, v) at (u, v): with h = 1 the
    // blur extents are 2 x 2, scale 400.00002 / 2, and the first samples of
    // the generator give the first dots, one per quadrant:
    //   16838/32767, 5758/32767 -> (u, v):  dx = round(-102.774) = -103, dy = round(35.145) = 35
    //   10113/32767, 17515/32767 -> (-u, v): dx = 62, dy = 107
    //   31051/32767, 5627/32767 -> (u, -v): dx = -190, dy = -34
    //   23010/32767, 7419/32767 -> (-u, -v): dx = 140, dy = -45
    Bench b(flatMirror(2));
    prepare(b);
    plotUniformBlur(b.plot);
    EXPECT_DOUBLE_EQ(b.frame.scale, 200.00001);
    EXPECT_EQ(b.frame.spotCentreX, 0);
    const auto win = b.window.callsOf("setPixel");
    ASSERT_EQ(win.size(), 8000u);
    EXPECT_EQ(b.buffer.callsOf("setPixel").size(), 8000u);
    EXPECT_EQ(win[0].args, (std::vector<int>{320 - 103, 200 + 35}));
    EXPECT_EQ(win[1].args, (std::vector<int>{320 + 62, 200 + 107}));
    EXPECT_EQ(win[2].args, (std::vector<int>{320 - 190, 200 - 34}));
    EXPECT_EQ(win[3].args, (std::vector<int>{320 + 140, 200 - 45}));
    EXPECT_EQ(b.buffer.callsOf("setPixel")[0].args, (std::vector<int>{512 - 103, 365 + 35}));
    // 2000 dots in each quadrant, all inside the disc of radius 200 (+ the
    // rounding), none drawn twice in a row at the same place by mirroring.
    int q[4] = {};
    for (int i = 0; i < 8000; ++i) {
        const int dx = win[i].args[0] - 320, dy = win[i].args[1] - 200;
        EXPECT_LE(dx * dx + dy * dy, 201 * 201);
        q[i % 4] += (i % 4 == 0 && dx <= 0 && dy >= 0) || (i % 4 == 1 && dx >= 0 && dy >= 0) ||
                    (i % 4 == 2 && dx <= 0 && dy <= 0) || (i % 4 == 3 && dx >= 0 && dy <= 0);
        EXPECT_EQ(win[i].color, gdi::RGB(255, 255, 255));
    }
    for (int k = 0; k < 4; ++k) EXPECT_EQ(q[k], 2000) << k;

    // The sequence goes on: a second plot draws a different picture, and a
    // fresh run (a new random source) draws the first one again.
    Bench again(flatMirror(2));
    prepare(again);
    plotUniformBlur(again.plot);
    EXPECT_EQ(again.window.callsOf("setPixel")[0].args, win[0].args);
    b.window.clearCalls();
    plotUniformBlur(b.plot);
    EXPECT_NE(b.window.callsOf("setPixel")[0].args, win[0].args);
}

TEST(MonteCarlo, PointFocusPutsAll8000DotsOnTheCentre) {
    Bench b(paraboloid());
    prepare(b);
    plotUniformBlur(b.plot);
    EXPECT_EQ(b.frame.scale, 1e7);  // extents of rounding size only
    const auto win = b.window.callsOf("setPixel");
    ASSERT_EQ(win.size(), 8000u);
    for (const auto& c : win) ASSERT_EQ(c.args, (std::vector<int>{320, 200}));

    // Uniform Airy: the spot is far inside the Airy disk, at the centre too,
    // with the circle of 200 pixels in the buffer and a repaint of its square.
    Bench a(paraboloid());
    RecordedRepaint repaint;
    a.plot.repaint = &repaint;
    prepare(a);
    plotUniformAiry(a.plot);
    const double r = 25.4 * 2.684e-5 / (2 * 50 / std::sqrt(50.0 * 50 + 498.75 * 498.75));
    EXPECT_NEAR(a.frame.scale, 200.00001 / r, 1e-6);
    const auto ellipses = a.buffer.callsOf("ellipse");
    ASSERT_EQ(ellipses.size(), 1u);
    EXPECT_EQ(ellipses[0].args, (std::vector<int>{312, 165, 713, 566}));
    EXPECT_TRUE(ellipses[0].brushNull);
    EXPECT_EQ(ellipses[0].penColor, gdi::RGB(0, 0, 0));
    EXPECT_FALSE(a.buffer.selectedBrush() == a.buffer.getStockObject(gdi::NULL_BRUSH));  // restored
    ASSERT_EQ(repaint.invalidated.size(), 1u);
    EXPECT_EQ(repaint.invalidated[0], (gdi::Rect{120, 0, 521, 401}));
    EXPECT_EQ(repaint.updates, 1);
    EXPECT_TRUE(a.window.callsOf("ellipse").empty());  // the window gets it from the buffer
    const auto dots = a.window.callsOf("setPixel");
    ASSERT_EQ(dots.size(), 8000u);
    for (const auto& c : dots) ASSERT_EQ(c.args, (std::vector<int>{320, 200}));
}

TEST(MonteCarlo, FlatMirrorAiryPlotHasNoConvergence) {
    // No convergence: an infinite Airy radius, scale 0, every dot on the
    // centre instead of a division by zero.
    Bench b(flatMirror(100));
    prepare(b);
    plotUniformAiry(b.plot);
    EXPECT_EQ(b.frame.scale, 0);
    const auto win = b.window.callsOf("setPixel");
    ASSERT_EQ(win.size(), 8000u);
    for (const auto& c : win) ASSERT_EQ(c.args, (std::vector<int>{320, 200}));
    // A standard plot after it starts again from the default scale.
    plotStandardSpots(b.plot, kKeepScaleMode);
    EXPECT_EQ(b.frame.scale, 1900);
}

TEST(AiryOverlay, RadiusInBothUnitsAndTheLimit) {
    // f/5 paraboloid: r = 0.0034172 mm -> 6.49 px at 1900 px/mm, and
    // 1.345e-4 inch -> 6.46 px at 48000 px/inch: 6 pixels either way.
    for (const char* units : {"mm", "inches"}) {
        Bench b(paraboloid(0, units));
        RecordedRepaint repaint;
        b.plot.repaint = &repaint;
        prepare(b);
        plotStandardSpots(b.plot, kCommandStandardPlot);
        b.buffer.clearCalls();
        b.window.clearCalls();
        EXPECT_TRUE(drawAiryOverlay(b.plot, 628)) << units;
        const auto e = b.buffer.callsOf("ellipse");
        ASSERT_EQ(e.size(), 1u);
        EXPECT_EQ(e[0].args, (std::vector<int>{506, 359, 519, 372})) << units;
        ASSERT_EQ(repaint.invalidated.size(), 1u);
        EXPECT_EQ(repaint.invalidated[0], (gdi::Rect{314, 194, 327, 207}));
        EXPECT_EQ(repaint.updates, 0);  // shown at the next repaint
        EXPECT_TRUE(b.window.calls().empty());

        // After F5 twice the circle is four times larger: trunc(25.97) or
        // trunc(25.83) = 25.
        plotStandardSpots(b.plot, kCommandDoubleScale);
        plotStandardSpots(b.plot, kCommandDoubleScale);
        b.buffer.clearCalls();
        EXPECT_TRUE(drawAiryOverlay(b.plot, 628));
        EXPECT_EQ(b.buffer.callsOf("ellipse")[0].args, (std::vector<int>{487, 340, 538, 391}));
    }
    // Radius from figures: the worked f/5 beam, L+ - L- = 0.2.
    int px = 0;
    ASSERT_TRUE(airyCirclePixels(6.81736e-4 / 0.2, 1900, 628, px));
    EXPECT_EQ(px, 6);
    ASSERT_TRUE(airyCirclePixels(-2.684e-5 / 0.2, 48000, 628, px));
    EXPECT_EQ(px, 6);
    // Larger than the limit, infinite or NaN: nothing to draw.
    EXPECT_TRUE(airyCirclePixels(1, 628.9, 628, px));
    EXPECT_EQ(px, 628);
    EXPECT_FALSE(airyCirclePixels(1, 629, 628, px));
    EXPECT_FALSE(airyCirclePixels(INFINITY, 1900, 628, px));
    EXPECT_FALSE(airyCirclePixels(NAN, 1900, 628, px));

    // An overlay beyond the half diagonal draws and invalidates nothing.
    Bench big(paraboloid());
    RecordedRepaint repaint;
    big.plot.repaint = &repaint;
    prepare(big);
    big.frame.scale = 1e6;  // 3417 pixels
    EXPECT_FALSE(drawAiryOverlay(big.plot, 628));
    EXPECT_TRUE(big.buffer.callsOf("ellipse").empty());
    EXPECT_TRUE(repaint.invalidated.empty());
}
