// The aberration views through the recording device: the axes' mapping and
// ticks, curves broken at gaps, and the fans, map and spots where the common
// scales put them.
#include "aberrations/aberration_views.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "aberrations/plot_axes.h"
#include "platform/recording_device.h"
#include "app/command_ids.h"
#include "support/test_designs.h"

using namespace orvelin;
using draw::DrawCall;
using draw::RecordingDevice;

TEST(PlotAxes, MappingTicksAndGaps) {
    PlotAxes a;
    a.box = draw::Rect{10, 20, 111, 221};  // 101 x 201 pixels
    a.xMin = -1, a.xMax = 1, a.yMin = -100, a.yMax = 100;
    EXPECT_EQ(a.px(-1), 10);
    EXPECT_EQ(a.px(0), 60);
    EXPECT_EQ(a.px(1), 110);
    EXPECT_EQ(a.py(100), 20);
    EXPECT_EQ(a.py(0), 120);
    EXPECT_EQ(a.py(-100), 220);
    EXPECT_EQ(a.py(1000), 20);  // clipped to the box
    EXPECT_EQ(niceCeiling(62.85), 100);
    EXPECT_EQ(niceCeiling(3.2), 5);
    EXPECT_EQ(niceCeiling(0.0382), 0.05);
    EXPECT_EQ(niceCeiling(0), 1);
    EXPECT_EQ(niceTicks(-100, 100, 4), (std::vector<double>{-100, -50, 0, 50, 100}));
    EXPECT_EQ(niceTicks(-0.05, 0.05, 4),
              (std::vector<double>{-0.05, 0, 0.05}));  // a step of 0.025 rounds up to 0.05
    EXPECT_TRUE(niceTicks(1, 1, 4).empty());
    EXPECT_EQ(tickLabel(-0.025, 0.025), "-0.03");
    EXPECT_EQ(tickLabel(50, 50), "50");

    // A gap breaks the curve: no line reaches or leaves the missing point.
    RecordingDevice dc(200, 300);
    drawCurve(dc, a, {-1, -0.5, 0, 0.5, 1}, {0, 50, NAN, 50, 0}, draw::Pen{});
    const auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].args, (std::vector<int>{10, 120, 35, 70}));
    EXPECT_EQ(lines[1].args, (std::vector<int>{85, 70, 110, 120}));
}

// The sphere's fans: the centre field's tangential ray fan starts at the
// rim's error on the common scale of +-100 um.
TEST(AberrationViews, FansAtTheCommonScale) {
    const Design d = orvelin::testing::singleMirror(0, 0, 0.5);
    const FanResult r = computeFans(d);
    RecordingDevice dc(800, 600);
    drawFansView(dc, {0, 0, 800, 600}, aberrationViewTitle(d), r);
    EXPECT_EQ(dc.textsEqual("Ray and wavefront fans: test").size(), 1u);
    EXPECT_EQ(dc.textsEqual("center: tangential ray fan").size(), 1u);
    EXPECT_EQ(dc.textsEqual("sagittal: sagittal wavefront").size(), 1u);
    const auto boxes = dc.callsOf("rect");
    ASSERT_EQ(boxes.size(), 16u);  // four fields, four plots each
    PlotAxes a;
    a.box = draw::Rect{boxes[0].args[0], boxes[0].args[1], boxes[0].args[2], boxes[0].args[3]};
    a.yMin = -100, a.yMax = 100;
    std::vector<DrawCall> blue;
    for (const DrawCall& c : dc.callsOf("line"))
        if (c.pen.colour == kPlotTangential) blue.push_back(c);
    ASSERT_GE(blue.size(), 40u);
    EXPECT_EQ(blue[0].args[0], a.box.left);
    EXPECT_EQ(blue[0].args[1], a.py(r.fields[0].tangential.ex[0]));
    EXPECT_EQ(blue[39].args[2], a.box.right - 1);
    EXPECT_EQ(blue[39].args[3], a.py(r.fields[0].tangential.ex[40]));
}

// The map's cells: the perfect axis of the paraboloid is the best (green)
// cell, with its figures; a point whose rays miss is grey and says so.
TEST(AberrationViews, FieldMapCellsAndGaps) {
    const Design d = orvelin::testing::paraboloid(0.5);
    const FieldMapResult r = computeFieldMap(d, {3, 0, 25, kQualityWavelengthMicrons});
    RecordingDevice dc(800, 600);
    drawFieldMapView(dc, {0, 0, 800, 600}, aberrationViewTitle(d), r);
    EXPECT_EQ(dc.textsEqual("0.00").size(), 1u);
    EXPECT_EQ(dc.textsEqual("S 1.000").size(), 1u);
    const auto fills = dc.callsOf("fill");
    ASSERT_GE(fills.size(), 9u);
    EXPECT_EQ(fills[4].colour, draw::rgb(80, 200, 80));                                    // the centre, best
    EXPECT_EQ(fills[4].args[2] - fills[4].args[0], fills[4].args[3] - fills[4].args[1]);  // square

    const Design tiny = orvelin::testing::makeDesign({{1000, 1, 0, 500}, {-20, 0, 0, 0}}, 100, 10);
    RecordingDevice gap(800, 600);
    drawFieldMapView(gap, {0, 0, 800, 600}, aberrationViewTitle(tiny),
                     computeFieldMap(tiny, {3, 0, 25, kQualityWavelengthMicrons}));
    EXPECT_EQ(gap.callsOf("fill")[3].colour, kPlotMissing);
    EXPECT_GE(gap.textsEqual("missing").size(), 1u);
}

// Seven boxes of one size; every point of every spot is a dot.
TEST(AberrationViews, ThroughFocusSpots) {
    const Design d = orvelin::testing::singleMirror(0);
    const ThroughFocusResult r = computeThroughFocus(d);
    RecordingDevice dc(900, 400);
    AberrationViewCache cache;
    drawAberrationView(dc, {0, 0, 900, 400}, kViewThroughFocus, d, cache);
    const auto boxes = dc.callsOf("rect");
    ASSERT_EQ(boxes.size(), 7u);
    std::size_t points = 0;
    for (const FocusSpot& s : r.spots) points += s.points.size();
    EXPECT_EQ(dc.callsOf("pixel").size(), points);
    char rms[32];
    std::snprintf(rms, sizeof rms, "RMS %.2f \xB5m", r.spots[3].rmsSpot);
    EXPECT_EQ(dc.textsEqual(rms).size(), 1u);
    // The cache gives the same results until the design changes.
    EXPECT_EQ(&cache.throughFocus(d), &cache.throughFocus(d));
    Design moved = d;
    moved.surfaces[1].separation = 499;
    recomputeSurface(moved, 1);
    EXPECT_NE(cache.throughFocus(moved).spots[3].rmsSpot, r.spots[3].rmsSpot);
}
