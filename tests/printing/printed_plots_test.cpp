// The printed spot plots through the recording device: ring counts and
// progress text by page size, exact page positions, the Airy circle of the
// overlay view, the field spots, the Monte-Carlo counts and scales, the
// Quick Print dot, and Cancel between steps.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "plots/pupil_pattern.h"
#include "print_test_util.h"

namespace orvelin {
namespace {

using printtest::Records;
using printtest::ScriptedProgress;
using PixelSet = std::set<std::pair<int, int>>;

// A letter page at 300 dpi under a 60-pixel header line.
constexpr int kPageW = 2550, kPageH = 3300, kHeader = 60;

struct Page {
    Records r;
    gdi::RecordingDevice printer;
    ScriptedProgress progress;
    PrintedPlot plot;

    Page(Design d, int w = kPageW, int h = kPageH, int header = kHeader, int view = 600)
        : r(std::move(d)), printer(w, h, w, h), plot{r.design, r.trace,  r.frame, r.random,
                                                     printer,  progress, view} {
        setPageFrame(r.frame, w, h, header);
        progress.watched = &printer;
    }
};

PixelSet pixelsOf(const gdi::RecordingDevice& dev) {
    PixelSet s;
    for (const auto& c : dev.callsOf("setPixel")) s.insert({c.args[0], c.args[1]});
    return s;
}

// Rays one spot of an N-ring pattern traces: every listed point, and again
// mirrored in x unless it lies on the y axis.
long tracedRays(int rings) {
    long n = 0;
    for (const PupilPoint& q : ringPattern(rings)) n += q.a != 0 ? 2 : 1;
    return n;
}

TEST(PrintedStandardPlot, RingCountProgressTextAndScaleFollowThePage) {
    EXPECT_EQ(printedMagnification(100, 100), 1);     // below 204: raised to 1
    EXPECT_EQ(printedMagnification(9000, 9000), 10);  // capped at 10

    struct Case {
        int w, h;
        double field;
        int k;
        const char* text;
    };
    const Case cases[] = {
        {kPageW, kPageH, 0, 6, "Plotting 12480 rays"},    // N = 64
        {kPageW, kPageH, 0.5, 6, "Plotting 62400 rays"},  // one axial and four field spots
        {700, 900, 0, 1, "Plotting 816 rays"},            // N = 16
    };
    for (const Case& c : cases) {
        Page p(printtest::paraboloid(c.field), c.w, c.h);
        p.r.frame.scale = 1900;
        p.r.frame.fieldOffset = 144;
        printStandardSpots(p.plot);
        ASSERT_EQ(p.progress.texts.size(), 1u);
        EXPECT_EQ(p.progress.texts[0], c.text);
        EXPECT_EQ(p.r.frame.printScale, c.k * 1900.0);
        EXPECT_EQ(p.r.frame.printFieldOffset, c.k * 144);
        EXPECT_EQ(p.r.frame.scale, 1900);  // the screen's scale is left alone
        const int N = RingCountTable[c.k];
        EXPECT_EQ(p.progress.pumps, c.field != 0 ? 2 * N : N) << "one pump per ring";
    }
}

TEST(PrintedStandardPlot, FlatMirrorDotsLandOnExactPagePositions) {
    // h = 100 at 6 x 1 pixel per mm: the spot is the 64-ring pupil pattern
    // 600 pixels in radius, centred on (1275, 1680), black, two pixels a ray.
    Page p(printtest::flatMirror(200));
    p.r.frame.scale = 1;
    p.r.frame.fieldOffset = 144;
    printStandardSpots(p.plot);

    PixelSet expected;
    for (const PupilPoint& q : ringPattern(64)) {
        for (double a : {q.a, -q.a}) {
            const int dx = static_cast<int>((0 - a * 100) * 6);
            const int dy = static_cast<int>(q.b * 100 * 6);
            expected.insert({1275 + dx, 1680 + dy});
            expected.insert({1275 + dx, 1680 - dy});
        }
    }
    const auto dots = p.printer.callsOf("setPixel");
    EXPECT_EQ(static_cast<long>(dots.size()), 2 * tracedRays(64));
    EXPECT_EQ(pixelsOf(p.printer), expected);
    for (const auto& c : dots) ASSERT_EQ(c.color, gdi::RGB(0, 0, 0)) << c.str();
    // The rim first: pupil point (1, 0) lands 600 pixels left of the centre.
    EXPECT_EQ(dots.front().args, (std::vector<int>{675, 1680}));
    EXPECT_TRUE(p.printer.callsOf("ellipse").empty());
}

TEST(PrintedStandardPlot, OverlayViewPrintsTheAiryCircleFirstAtThePrintedScale) {
    // f/5 paraboloid: the rim rays leave at sin u = 50 / 501.25 (the focus is
    // 498.75 beyond the rim's sag), so the Airy radius is
    // 2.684e-5 * 25.4 / (2 sin u) = 0.0034172 mm, 38.96 pixels at 6 x 1900.
    Page overlay(printtest::paraboloid(), kPageW, kPageH, kHeader, 700);
    overlay.r.frame.scale = 1900;
    overlay.r.frame.fieldOffset = 144;
    printStandardSpots(overlay.plot);
    const double sinU = 50 / std::sqrt(50 * 50 + 498.75 * 498.75);
    const int R = static_cast<int>(2.684e-5 * 25.4 / (2 * sinU) * 6 * 1900);
    EXPECT_EQ(R, 38);
    ASSERT_FALSE(overlay.printer.calls().empty());
    EXPECT_EQ(overlay.printer.calls().front().op, "ellipse") << "the circle comes before any dot";
    EXPECT_EQ(overlay.printer.calls().front().args,
              (std::vector<int>{1275 - R, 1680 - R, 1275 + R + 1, 1680 + R + 1}));
    // A perfect focus: every dot on the centre pixel.
    EXPECT_EQ(pixelsOf(overlay.printer), (PixelSet{{1275, 1680}}));

    // The same in the plain standard view: no circle.
    Page plain(printtest::paraboloid());
    plain.r.frame.scale = 1900;
    printStandardSpots(plain.plot);
    EXPECT_TRUE(plain.printer.callsOf("ellipse").empty());

    // Over a uniform-Airy screen plot the circle is as large as the page or
    // larger: printed all the same, with no size limit.
    Page big(printtest::paraboloid(), kPageW, kPageH, kHeader, 700);
    big.r.frame.scale = 200.00001 / 0.0034172;
    printStandardSpots(big.plot);
    const auto circles = big.printer.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_LT(circles[0].args[0], 1275 - 1199);
}

TEST(PrintedStandardPlot, FieldSpotsOfSymmetricAndTiltedSystems) {
    const long T = tracedRays(64);

    // Symmetric: one traced field spot drawn at the four field positions.
    Page sym(printtest::paraboloid(0.5));
    sym.r.frame.scale = 1900;
    sym.r.frame.fieldOffset = 144;
    printStandardSpots(sym.plot);
    EXPECT_EQ(static_cast<long>(sym.printer.callsOf("setPixel").size()), 2 * T + 8 * T);
    const PixelSet all = pixelsOf(sym.printer);
    // Field spots sit 6 x 144 = 864 pixels from the centre in all four
    // directions; each of the four has pixels within 200 of its centre.
    for (auto [cx, cy] :
         {std::pair{1275 - 864, 1680}, {1275 + 864, 1680}, {1275, 1680 - 864}, {1275, 1680 + 864}}) {
        bool near = false;
        for (auto [x, y] : all) near = near || (std::abs(x - cx) < 200 && std::abs(y - cy) < 200);
        EXPECT_TRUE(near) << cx << "," << cy;
    }

    // Tilted: left, right and the sagittal pair, each traced.
    Page tilted(printtest::tiltedSphere(0.5));
    ASSERT_TRUE(tilted.r.analysed);
    tilted.r.frame.scale = 20;  // the tilt's astigmatism is large: a small scale keeps spots apart
    tilted.r.frame.fieldOffset = 144;
    printStandardSpots(tilted.plot);
    long sagittal = 0;
    for (const PupilPoint& q : ringPattern(64)) sagittal += (q.a != 0 ? 2 : 1) * (q.b != 0 ? 2 : 1);
    ASSERT_EQ(tilted.r.trace.status, kTraceOk);
    EXPECT_EQ(static_cast<long>(tilted.printer.callsOf("setPixel").size()),
              2 * T + 2 * T + 2 * T + 2 * sagittal);
    EXPECT_EQ(tilted.r.frame.windowOriginX, 1275) << "back at the centre for the sagittal spot";
    // The left spot is drawn about x = 1275 - 864, the right about 1275 + 864.
    const auto dots = tilted.printer.callsOf("setPixel");
    EXPECT_NEAR(dots[2 * T].args[0], 1275 - 864, 300);
    EXPECT_NEAR(dots[4 * T].args[0], 1275 + 864, 300);
}

TEST(PrintedPlotCancel, CancelStopsBeforeTheNextStepAndLeavesLaterSpotsEmpty) {
    // Cancel during the third pump of the axial spot: two rings are drawn,
    // nothing after, and the four field spots draw nothing at all.
    Page p(printtest::paraboloid(0.5));
    p.r.frame.scale = 1900;
    p.r.frame.fieldOffset = 144;
    p.progress.cancelAtPump = 3;
    printStandardSpots(p.plot);
    EXPECT_EQ(p.progress.pumps, 3);
    EXPECT_EQ(p.printer.calls().size(), p.progress.callsAtCancel) << "nothing drawn after Cancel";
    std::vector<PupilPoint> twoRings;
    appendRingPoints(64, 64, twoRings);
    appendRingPoints(64, 63, twoRings);
    long rays = 0;
    for (const PupilPoint& q : twoRings) rays += q.a != 0 ? 2 : 1;
    EXPECT_EQ(static_cast<long>(p.printer.callsOf("setPixel").size()), 2 * rays);

    // A Monte-Carlo printout stops after at most one group of four rays.
    Page mc(printtest::paraboloid(), 800, 1000, 40, 603);
    mc.progress.cancelAtPump = 101;
    printUniformBlur(mc.plot);
    EXPECT_EQ(mc.printer.callsOf("setPixel").size(), 400u);
    EXPECT_EQ(mc.printer.calls().size(), mc.progress.callsAtCancel);
}

TEST(PrintedMonteCarlo, CountsScalesAndCircle) {
    // Uniform Airy of a perfect focus: the spot is far smaller than the Airy
    // disk, so the floor of 2000 rays applies; the circle is 90 % of half
    // the page width, hollow.
    Page airy(printtest::paraboloid(), 800, 1000, 40, 602);
    printUniformAiry(airy.plot);
    ASSERT_EQ(airy.progress.texts, (std::vector<std::string>{"Plotting 2000 rays"}));
    const auto circles = airy.printer.callsOf("ellipse");
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].args, (std::vector<int>{400 - 360, 520 - 360, 400 + 361, 520 + 361}));
    EXPECT_TRUE(circles[0].brushNull);
    EXPECT_FALSE(airy.printer.selectedBrush() == airy.printer.getStockObject(gdi::NULL_BRUSH))
        << "the brush is restored";
    const double sinU = 50 / std::sqrt(50 * 50 + 498.75 * 498.75);
    EXPECT_NEAR(airy.r.frame.scale, 0.9 * 400 / (2.684e-5 * 25.4 / (2 * sinU)), 0.5);
    EXPECT_EQ(airy.printer.callsOf("setPixel").size(), 2000u);
    EXPECT_EQ(pixelsOf(airy.printer), (PixelSet{{400, 520}}));

    // Uniform blur of a sphere's spherical aberration: halfW * 0.07 * halfH
    // rays (400 x 480 -> 13440), and the blur spans 95 % of the limiting
    // direction of the plot area, here the narrower width.
    Page blur(printtest::makeDesign({{1000, 0, 0, 497}, {0, 0, 0, 0}}, 200), 800, 1000, 40, 603);
    printUniformBlur(blur.plot);
    ASSERT_EQ(blur.progress.texts, (std::vector<std::string>{"Plotting 13440 rays"}));
    EXPECT_EQ(blur.printer.callsOf("setPixel").size(), 13440u);
    const SpotExtent& e = blur.r.trace.extent;
    const double dx = e.xMax - e.xMin, dy = e.yMax - e.yMin;
    ASSERT_GT(dx, 0);
    EXPECT_DOUBLE_EQ(blur.r.frame.scale, 1.9 * 400 / dx);
    int minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (auto [x, y] : pixelsOf(blur.printer)) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
    }
    EXPECT_NEAR(maxX - minX, 0.95 * 800, 20);
    EXPECT_NEAR(maxY - minY, 1.9 * 400 / dx * dy, 20);
    EXPECT_NEAR((minY + maxY) / 2.0, 520, 3) << "centred on the plot area below the header";

    // On a landscape page the height limits instead.
    Page wide(printtest::makeDesign({{1000, 0, 0, 497}, {0, 0, 0, 0}}, 200), 1000, 800, 40, 603);
    printUniformBlur(wide.plot);
    EXPECT_DOUBLE_EQ(wide.r.frame.scale, 1.9 * 380 / dy);
    EXPECT_EQ(wide.progress.texts[0], "Plotting 13300 rays");  // 500 x 0.07 x 380

    // A count that is not a multiple of four finishes its last group.
    Page q(printtest::flatMirror(200), 800, 1000, 40, 603);
    q.r.frame.scale = 1;
    printMonteCarloRays(q.plot, 5);
    EXPECT_EQ(q.printer.callsOf("setPixel").size(), 8u);
    EXPECT_EQ(q.progress.texts[0], "Plotting 5 rays");
}

TEST(PrintedDots, QuickDotIsTwoBlocksMeasuredFromTheRightEdge) {
    Page p(printtest::flatMirror(200));
    p.r.frame.scale = 2;
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
    EXPECT_EQ(pixelsOf(p.printer), expected);
    EXPECT_EQ(p.printer.callsOf("setPixel").size(), 18u);
}

}  // namespace
}  // namespace orvelin
