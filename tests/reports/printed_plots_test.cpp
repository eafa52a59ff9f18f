// The printed spot plots through the recording device: sizes by page, exact
// page positions, the Airy circle, the field spots, the Monte-Carlo counts
// and scales, the Quick Print dot, and Cancel between steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

#include "plots/pupil_pattern.h"
#include "print_test_util.h"

namespace orvelin {
namespace {

using printtest::Records;
using PixelSet = std::set<std::pair<int, int>>;

// A letter page at 300 dpi under a 60-pixel header line.
constexpr int kPageW = 2550, kPageH = 3300, kHeader = 60;

// The f/5 paraboloid's Airy radius: the rim ray leaves at sin u = 50 / 501.25
// (the focus is 498.75 beyond the rim's sag).
const double kAiry = 2.684e-5 * 25.4 / (2 * 50 / std::hypot(50, 498.75));

struct Page {
    Records r;
    draw::RecordingDevice printer;
    printtest::ScriptedProgress progress;
    PrintedPlot plot;

    Page(Design d, int w = kPageW, int h = kPageH, int header = kHeader, int view = 600, double scale = 1900)
        : r(std::move(d)), printer(w, h, w, h), plot{r.design, r.trace,  r.frame, r.random,
                                                     printer,  progress, view} {
        setPageFrame(r.frame, w, h, header);
        r.frame.scale = scale;
        r.frame.fieldOffset = 144;
        progress.watched = &printer;
    }
    PixelSet pixels() const {
        PixelSet s;
        for (const auto& c : printer.callsOf("pixel")) s.insert({c.args[0], c.args[1]});
        return s;
    }
    long dots() const { return static_cast<long>(printer.callsOf("pixel").size()); }
};

// Rays a spot traces for some pupil points: each point, and again mirrored
// in x unless it lies on the y axis (and in y too for the sagittal spot).
long tracedRays(const std::vector<PupilPoint>& points, bool sagittal = false) {
    long n = 0;
    for (const PupilPoint& q : points) n += (q.a != 0 ? 2 : 1) * (sagittal && q.b != 0 ? 2 : 1);
    return n;
}

TEST(PrintedStandardPlot, RingCountProgressTextAndScaleFollowThePage) {
    EXPECT_EQ(printedMagnification(100, 100), 1);     // raised to 1
    EXPECT_EQ(printedMagnification(9000, 9000), 10);  // capped at 10
    // A symmetric field spot is traced once and drawn at the four positions.
    const long T = tracedRays(ringPattern(64));
    struct Case {
        int w, h;
        double field;
        int k, rings;
        const char* text;
        long dots;
    } const cases[] = {
        {kPageW, kPageH, 0, 6, 64, "Plotting 12480 rays", 2 * T},
        {kPageW, kPageH, 0.5, 6, 64, "Plotting 62400 rays", 10 * T},  // axial and four field spots
        {700, 900, 0, 1, 16, "Plotting 816 rays", 2 * tracedRays(ringPattern(16))},
    };
    for (const Case& c : cases) {
        Page p(printtest::paraboloid(c.field), c.w, c.h);
        printStandardSpots(p.plot);
        EXPECT_EQ(p.progress.texts, std::vector<std::string>{c.text});
        EXPECT_EQ(p.r.frame.printScale, c.k * 1900.0);
        EXPECT_EQ(p.r.frame.printFieldOffset, c.k * 144);
        EXPECT_EQ(p.r.frame.scale, 1900) << "the screen's scale is left alone";
        EXPECT_EQ(p.progress.pumps, c.field != 0 ? 2 * c.rings : c.rings) << "one pump per ring";
        EXPECT_EQ(p.dots(), c.dots) << "two pixels a traced ray";
    }
}

TEST(PrintedStandardPlot, FlatMirrorDotsLandOnExactPagePositions) {
    // h = 100 at 6 x 1 pixel per mm: the spot is the 64-ring pupil pattern
    // 600 pixels in radius, centred on (1275, 1680), black, two pixels a ray.
    Page p(printtest::flatMirror(200), kPageW, kPageH, kHeader, 600, 1);
    printStandardSpots(p.plot);
    PixelSet expected;
    for (const PupilPoint& q : ringPattern(64))
        for (double a : {q.a, -q.a})
            for (int sy : {1, -1})
                expected.insert(
                    {1275 + static_cast<int>(-a * 100 * 6), 1680 + sy * static_cast<int>(q.b * 100 * 6)});
    EXPECT_EQ(p.dots(), 2 * tracedRays(ringPattern(64)));
    EXPECT_EQ(p.pixels(), expected);
    const auto dots = p.printer.callsOf("pixel");
    for (const auto& c : dots) ASSERT_EQ(c.colour, draw::rgb(0, 0, 0)) << c.str();
    EXPECT_EQ(dots.front().args, (std::vector<int>{675, 1680})) << "the rim first";
    EXPECT_TRUE(p.printer.callsOf("ellipse").empty()) << "no Airy circle in the standard view";
}

TEST(PrintedStandardPlot, OverlayViewPrintsTheAiryCircleFirstAtThePrintedScale) {
    // 0.0034172 mm at 6 x 1900 pixels per mm: 38 pixels.
    Page overlay(printtest::paraboloid(), kPageW, kPageH, kHeader, 700);
    printStandardSpots(overlay.plot);
    const int R = static_cast<int>(kAiry * 6 * 1900);
    EXPECT_EQ(R, 38);
    ASSERT_FALSE(overlay.printer.calls().empty());
    EXPECT_EQ(overlay.printer.calls().front().op, "ellipse") << "the circle comes before any dot";
    EXPECT_EQ(overlay.printer.calls().front().args,
              (std::vector<int>{1275 - R, 1680 - R, 1275 + R + 1, 1680 + R + 1}));
    EXPECT_EQ(overlay.pixels(), (PixelSet{{1275, 1680}})) << "a perfect focus";

    // A circle larger than the page is printed all the same.
    Page big(printtest::paraboloid(), kPageW, kPageH, kHeader, 700, 200.00001 / 0.0034172);
    printStandardSpots(big.plot);
    const auto circles = big.printer.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_LT(circles[0].args[0], 1275 - 1199);
}

TEST(PrintedStandardPlot, TiltedSystemTracesEveryFieldSpot) {
    // Left, right and the sagittal pair, each traced; a small scale keeps
    // the astigmatic spots apart.
    const long T = tracedRays(ringPattern(64));
    Page tilted(printtest::singleMirror(0, 5, 0.5), kPageW, kPageH, kHeader, 600, 20);
    ASSERT_TRUE(tilted.r.analysed);
    printStandardSpots(tilted.plot);
    ASSERT_EQ(tilted.r.trace.status, kTraceOk);
    EXPECT_EQ(tilted.dots(), 6 * T + 2 * tracedRays(ringPattern(64), true));
    EXPECT_EQ(tilted.r.frame.windowOriginX, 1275) << "back at the centre for the sagittal spot";
    // Field spots sit 6 x 144 = 864 pixels left and right of the centre.
    const auto dots = tilted.printer.callsOf("pixel");
    EXPECT_NEAR(dots[2 * T].args[0], 1275 - 864, 300);
    EXPECT_NEAR(dots[4 * T].args[0], 1275 + 864, 300);
}

TEST(PrintedPlotCancel, CancelStopsBeforeTheNextStepAndLeavesLaterSpotsEmpty) {
    // Cancel during the third pump of the axial spot: two rings are drawn,
    // nothing after, and the four field spots draw nothing at all.
    Page p(printtest::paraboloid(0.5));
    p.progress.cancelAtPump = 3;
    printStandardSpots(p.plot);
    EXPECT_EQ(p.progress.pumps, 3);
    EXPECT_EQ(p.printer.calls().size(), p.progress.callsAtCancel) << "nothing drawn after Cancel";
    std::vector<PupilPoint> twoRings;
    appendRingPoints(64, 64, twoRings);
    appendRingPoints(64, 63, twoRings);
    EXPECT_EQ(p.dots(), 2 * tracedRays(twoRings));

    // A Monte-Carlo printout stops after at most one group of four rays.
    Page mc(printtest::paraboloid(), 800, 1000, 40, 603, 0);
    mc.progress.cancelAtPump = 101;
    printUniformBlur(mc.plot);
    EXPECT_EQ(mc.dots(), 400);
    EXPECT_EQ(mc.printer.calls().size(), mc.progress.callsAtCancel);
}

TEST(PrintedMonteCarlo, CountsScalesAndCircle) {
    // Uniform Airy of a perfect focus: the floor of 2000 rays; a hollow
    // circle 90 % of half the page width.
    Page airy(printtest::paraboloid(), 800, 1000, 40, 602, 0);
    printUniformAiry(airy.plot);
    EXPECT_EQ(airy.progress.texts, std::vector<std::string>{"Plotting 2000 rays"});
    const auto circles = airy.printer.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].args, (std::vector<int>{400 - 360, 520 - 360, 400 + 361, 520 + 361}));
    EXPECT_EQ(circles[0].fill, draw::kHollow);
    EXPECT_EQ(circles[0].pen, (draw::Pen{draw::rgb(0, 0, 0), 1, draw::LineStyle::solid}));
    EXPECT_NEAR(airy.r.frame.scale, 0.9 * 400 / kAiry, 0.5);
    EXPECT_EQ(airy.dots(), 2000);
    EXPECT_EQ(airy.pixels(), (PixelSet{{400, 520}}));

    // Uniform blur of a sphere's spherical aberration: capped at
    // halfW * 0.07 * halfH rays, the blur spanning 95 % of the narrower
    // width; on a landscape page the height limits instead.
    const Design sphere = printtest::makeDesign({{1000, 0, 0, 497}, {0, 0, 0, 0}}, 200);
    Page blur(sphere, 800, 1000, 40, 603, 0);
    printUniformBlur(blur.plot);
    EXPECT_EQ(blur.progress.texts, std::vector<std::string>{"Plotting 13440 rays"});
    EXPECT_EQ(blur.dots(), 13440);
    const SpotExtent& e = blur.r.trace.extent;
    const double dx = e.xMax - e.xMin, dy = e.yMax - e.yMin;
    ASSERT_GT(dx, 0);
    int minX = 1 << 30, maxX = -minX, minY = minX, maxY = -minX;
    for (auto [x, y] : blur.pixels()) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    EXPECT_NEAR(maxX - minX, 0.95 * 800, 20);
    EXPECT_NEAR(maxY - minY, 1.9 * 400 / dx * dy, 20);
    EXPECT_NEAR((minY + maxY) / 2.0, 520, 3) << "centred on the plot area below the header";
    Page wide(sphere, 1000, 800, 40, 603, 0);
    printUniformBlur(wide.plot);
    EXPECT_DOUBLE_EQ(wide.r.frame.scale, 1.9 * 380 / dy);
    EXPECT_EQ(wide.progress.texts[0], "Plotting 13300 rays");

    // A count that is not a multiple of four finishes its last group.
    Page q(printtest::flatMirror(200), 800, 1000, 40, 603, 1);
    printMonteCarloRays(q.plot, 5);
    EXPECT_EQ(q.dots(), 8);
    EXPECT_EQ(q.progress.texts[0], "Plotting 5 rays");
}

TEST(PrintedDots, QuickDotIsTwoBlocksMeasuredFromTheRightEdge) {
    Page p(printtest::flatMirror(200), kPageW, kPageH, kHeader, 600, 2);
    p.r.frame.spotCentreX = 0;
    p.r.frame.windowOriginX = 300;
    p.r.frame.windowCentreY = 400;
    startAxialRay(p.r.trace.ray);
    p.r.trace.ray.x = 10;  // image (10, 5): dx = -20, dy = 10
    p.r.trace.ray.y = 5;
    ASSERT_TRUE(printQuickDot(p.plot, 2000));
    PixelSet expected;
    for (int cy : {410, 390})
        for (int y = cy - 1; y <= cy + 1; ++y)
            for (int x = 1719; x <= 1721; ++x) expected.insert({x, y});
    EXPECT_EQ(p.pixels(), expected);
    EXPECT_EQ(p.dots(), 18);
}

}  // namespace
}  // namespace orvelin
