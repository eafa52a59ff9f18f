// The Monte-Carlo plots trace their rays as one bundle; the pictures, the
// random sequence and what the trace is left holding must be those of the
// ray-by-ray loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plot_test_util.h"
#include "plots/monte_carlo_plot.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

/// The plot's loop one ray at a time, each traced and drawn by
/// plotRoundedDot: what the bundle must reproduce.
void rayByRay(SpotPlot& p) {
    traceMonteCarloGroups(
        p.design, p.random, p.trace.ray, kMonteCarloRays, [] { return true; }, [&] { plotRoundedDot(p); });
}

std::vector<std::string> described(const draw::RecordingDevice& d) {
    std::vector<std::string> out;
    for (const draw::DrawCall& c : d.calls())
        out.push_back(c.str() + " " + std::to_string(c.colour.r) + "," + std::to_string(c.colour.g) + "," +
                      std::to_string(c.colour.b));
    return out;
}

void expectSamePlot(const Design& design, double scale) {
    Bench batched(design), single(design);
    for (Bench* b : {&batched, &single}) {
        b->framed();
        b->frame.scale = scale;
        b->frame.spotCentreX = 0.01;
        setEntranceTangential(b->design, b->trace);
    }
    plotMonteCarloRays(batched.plot);
    rayByRay(single.plot);
    EXPECT_EQ(described(batched.window), described(single.window));
    EXPECT_EQ(described(batched.buffer), described(single.buffer));
    EXPECT_EQ(batched.random.next, single.random.next);
    EXPECT_EQ(batched.trace.status, single.trace.status);
    const RayState &a = batched.trace.ray, &b = single.trace.ray;
    EXPECT_TRUE(a.x == b.x && a.y == b.y && a.z == b.z && a.L == b.L && a.M == b.M && a.N == b.N);
}

}  // namespace

TEST(MonteCarloBundle, DrawsWhatTheRayByRayLoopDraws) {
    // Toroidal and conic tertiaries, a scale at which most rays fall on
    // different pixels, and a second run continuing the random sequence.
    expectSamePlot(threeMirrorTilted(true), 2000);
    expectSamePlot(threeMirrorTilted(false), 2000);
    // Some rays miss the small secondary (status 5 stays set, those rays
    // draw nothing), and dots far off the screen.
    const Design misses = makeDesign({{1000, 0, 0, 400}, {10, 0, 0, 100}, {0, 0, 0, 0}}, 200);
    expectSamePlot(misses, 1e5);
    Bench b(misses);
    b.framed();
    b.frame.scale = 10;
    setEntranceTangential(b.design, b.trace);
    plotMonteCarloRays(b.plot);
    EXPECT_EQ(b.trace.status, traceMissStatus(2));
    const auto dots = b.window.callsOf("pixel").size();
    EXPECT_GT(dots, 500u);
    EXPECT_LT(dots, 7500u);
}
