// The layout drawing through the recording device: footprints, focal ratio,
// every pixel position of the f/5 paraboloid, colours, restoring the focal
// plane, failures and windows too small for a picture.
#include "plots/layout_drawing.h"

#include <gtest/gtest.h>

#include <cmath>

#include "platform/recording_device.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

namespace orvelin {
namespace {

using draw::DrawCall;
using draw::RecordingDevice;
using draw::rgb;
using Ints = std::vector<int>;

// Footprints are compared to the printed digits of the worked example.

struct Drawn {
    bool ok;
    Design design;
    TraceState state;
    AnalysisResults results;
    LayoutGeometry geometry;
};

Drawn draw(Design d, RecordingDevice& dc) {
    Drawn r{false, d, {}, {}, {}};
    const DesignAnalysis a = analyseDesign(r.design);
    r.ok = a.traced();
    r.state.status = a.status;
    r.results = a.results;
    r.geometry = a.geometry;
    if (r.ok) drawLayout(r.design, a, dc);
    return r;
}

TEST(LayoutDrawing, ParaboloidFootprintsAndFocalRatio) {
    RecordingDevice dc(632, 408);
    Drawn r = draw(testing::paraboloid(0.5), dc);
    ASSERT_TRUE(r.ok);
    const LayoutGeometry& g = r.geometry;
    EXPECT_NEAR(g.centralSemiDiameter[1], 50, testing::kPrintedDigits);
    EXPECT_NEAR(g.unvignettedSemiDiameter[1], 50, testing::kPrintedDigits);
    EXPECT_NEAR(g.unvignettedSemiDiameter[2], 4.392426, testing::kPrintedDigits);
    EXPECT_NEAR(g.faceHalfY[2], 4.392426, testing::kPrintedDigits);
    EXPECT_NEAR(g.layoutFRatio, 5.0125, 5e-5);
    // The focal plane lies 500 to the left of the mirror: 550 wide with the
    // 10 % for the incoming beam, 100 high (the mirror's face).
    EXPECT_NEAR(g.layoutWidth, 550, testing::kWorkedFigure);
    EXPECT_NEAR(g.layoutHeight, 100, testing::kWorkedFigure);

    // "f/5.01" beside the aperture row, cyan, transparent, in the small fixed font.
    auto texts = dc.callsOf("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].str(), "text 524 55 'f/5.01'");  // (632 + 1) / 2 + 208, 14 * 2 + 27
    EXPECT_EQ(texts[0].colour, rgb(0, 255, 255));
    EXPECT_EQ(texts[0].background, draw::kHollow);
    EXPECT_EQ(texts[0].textFont, draw::Font::smallMono());
}

TEST(LayoutDrawing, ParaboloidPixelPositions) {
    // Client 630 x 411, worked by hand from the drawing's rules:
    // band top 76; width 550 -> sx = 550/598.5 beats sy = 100/(390.45-76),
    // so k = 550/598.5 units per pixel.  Box origin X0 = (630-598.5)/2 =
    // 15.75, Y0 = 76 + (335 - 100/k)/2 + 50/k = 243.5.  The mirror vertex is
    // 598.5 pixels right of X0 (614.25), the focal plane 500/k = 544.09 back
    // to the left (70.16).  Beam half-width 50/k = 54.409; focal-plane face
    // half-height 4.392426/k = 4.7798.
    RecordingDevice dc(630, 411);
    ASSERT_TRUE(draw(testing::paraboloid(0.5), dc).ok);
    const draw::Colour black = rgb(0, 0, 0), blue = rgb(0, 0, 160), green = rgb(0, 160, 0);
    // The incoming beam from the box's left edge; the concave mirror, blue,
    // two pixels thick with its end point painted; the beam converging back
    // in black; the flat focal plane, green, one pixel thick.
    const std::vector<std::pair<Ints, draw::Colour>> expected = {
        {{15, 297, 614, 297}, black}, {{15, 189, 614, 189}, black}, {{614, 189, 614, 297}, blue},
        {{614, 297, 614, 298}, blue}, {{615, 189, 615, 297}, blue}, {{615, 297, 615, 298}, blue},
        {{614, 297, 70, 243}, black}, {{614, 189, 70, 243}, black}, {{70, 238, 70, 248}, green},
        {{70, 248, 70, 249}, green}};
    auto lines = dc.callsOf("line");
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].args, expected[i].first) << i;
        EXPECT_EQ(lines[i].pen, (draw::Pen{expected[i].second, 1, draw::LineStyle::solid})) << i;
    }
}

TEST(LayoutDrawing, FaceColoursFollowTheRadiusSign) {
    // A convex secondary (red), a flat fold (green), a concave primary (blue)
    // and a curved focal plane coloured by its own radius.
    RecordingDevice dc(632, 408);
    Drawn r =
        draw(testing::makeDesign({{-2000, 0, 0, -600}, {500, 0, 0, 200}, {0, 0, 0, 300}, {-300}}, 50), dc);
    ASSERT_TRUE(r.ok) << "status " << r.state.status;
    std::vector<draw::Colour> faces;
    for (const DrawCall& c : dc.callsOf("line"))
        if (c.pen.colour != rgb(0, 0, 0) && (faces.empty() || faces.back() != c.pen.colour))
            faces.push_back(c.pen.colour);
    EXPECT_EQ(faces,
              (std::vector<draw::Colour>{rgb(160, 0, 0), rgb(0, 0, 160), rgb(0, 160, 0), rgb(160, 0, 0)}));
}

TEST(LayoutDrawing, FocalPlaneIsRestoredAfterDrawingTheBestFitPlane) {
    // A tilted Newtonian-like fold with field: best focus and best-fit tilt
    // differ from the user's focal plane, which must come back exactly.
    Design d = testing::makeDesign({{1600, 1, 3, 700}, {0, 0, 45, 123.25}, {-480, 0, 2.5, 0}}, 150, 0.8);
    const Design before = d;
    RecordingDevice dc(632, 408);
    const Drawn drawn = draw(d, dc);
    ASSERT_TRUE(drawn.ok) << drawn.state.status;
    for (int s = 2; s <= 3; ++s) EXPECT_EQ(drawn.design.surfaces[s], before.surfaces[s]) << s;
    EXPECT_NE(drawn.results.bestFocus, before.surfaces[2].signedSeparation);
}

TEST(LayoutMeasuring, FiguresWithoutADeviceMatchTheDrawingsAndPlaceTheFoldedAxis) {
    // Newtonian-like fold: primary tilted 3 degrees, a 45-degree flat, a
    // curved focal plane.  Measuring alone leaves every figure the drawing
    // leaves, and the user's focal plane as it was.
    const Design start =
        testing::makeDesign({{1600, 1, 3, 700}, {0, 0, 45, 123.25}, {-480, 0, 2.5, 0}}, 150, 0.8);
    Design d = start;
    TraceState state;
    AnalysisResults results;
    LayoutGeometry g;
    ASSERT_TRUE(measureLayout(d, state, results, g)) << state.status;
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(d.surfaces[s], start.surfaces[s]) << s;

    RecordingDevice dc(632, 408);
    Drawn drawn = draw(start, dc);
    ASSERT_TRUE(drawn.ok);
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(g.centralSemiDiameter[i], drawn.geometry.centralSemiDiameter[i]) << i;
        EXPECT_EQ(g.unvignettedSemiDiameter[i], drawn.geometry.unvignettedSemiDiameter[i]) << i;
        EXPECT_EQ(g.faceHalfX[i], drawn.geometry.faceHalfX[i]) << i;
        EXPECT_EQ(g.faceHalfY[i], drawn.geometry.faceHalfY[i]) << i;
    }
    EXPECT_EQ(g.layoutFRatio, drawn.geometry.layoutFRatio);
    EXPECT_EQ(g.layoutWidth, drawn.geometry.layoutWidth);
    EXPECT_EQ(g.layoutHeight, drawn.geometry.layoutHeight);

    // Face angles: each face at its tilt to the axis arriving at it, which
    // leaves surface i at twice the tilts so far; the focal plane at the
    // best-fit tilt.
    EXPECT_EQ(g.faceAngle[1], 3);
    EXPECT_EQ(g.faceAngle[2], 2 * 3 + 45);
    EXPECT_EQ(g.faceAngle[3], 2 * (3 + 45) + results.bestFitTilt);
    EXPECT_NEAR(g.faceHalfY[2], std::fabs(g.unvignettedSemiDiameter[2]) * std::cos(51 * kDegree),
                testing::kFewRoundings);

    // Vertices: the primary at the origin; the light comes back from it at
    // 6 degrees, then turns down by twice the flat's tilt more.
    EXPECT_EQ(g.vertexX[1], 0);
    EXPECT_EQ(g.vertexY[1], 0);
    EXPECT_NEAR(g.vertexX[2], -700 * std::cos(6 * kDegree), testing::kWorkedFigure);
    EXPECT_NEAR(g.vertexY[2], -700 * std::sin(6 * kDegree), testing::kWorkedFigure);
    const double f = std::fabs(results.bestFocus);
    EXPECT_NEAR(g.vertexX[3], g.vertexX[2] + f * std::cos(96 * kDegree), testing::kWorkedFigure);
    EXPECT_NEAR(g.vertexY[3], g.vertexY[2] + f * std::sin(96 * kDegree), testing::kWorkedFigure);

    // The paraboloid: the focal plane's vertex lies at the best focus, back
    // towards the incoming light; in the drawn picture 500 / k = 544.09 px.
    Design p = testing::paraboloid(0.5);
    LayoutGeometry pg;
    ASSERT_TRUE(measureLayout(p, state, results, pg));
    EXPECT_NEAR(pg.vertexX[2], -500, testing::kWorkedFigure);
    EXPECT_EQ(pg.vertexY[2], 0);

    // A failing design reports its status and needs no device either.
    Design zero = testing::makeDesign({{1000, 1, 0, 500}, {}}, 0, 0.5);
    EXPECT_FALSE(measureLayout(zero, state, results, pg));
    EXPECT_EQ(state.status, kTraceApertureZero);
}

TEST(LayoutDrawing, FailedAnalysisDrawsNothingAndRestores) {
    RecordingDevice dc(632, 408);
    Drawn zero = draw(testing::makeDesign({{1000, 1, 0, 500}, {}}, 0, 0.5), dc);
    EXPECT_FALSE(zero.ok);
    EXPECT_EQ(zero.state.status, kTraceApertureZero);
    EXPECT_TRUE(dc.calls().empty());

    // A sphere so steep that the beam cannot meet it.
    const Design bad = testing::makeDesign({{10, 0, 0, 500}, {}}, 100, 0.5);
    RecordingDevice dc2(632, 408);
    Drawn miss = draw(bad, dc2);
    EXPECT_FALSE(miss.ok);
    EXPECT_EQ(miss.state.status, traceMissStatus(1));
    EXPECT_TRUE(dc2.calls().empty());
    EXPECT_EQ(miss.design.surfaces[1].separation, bad.surfaces[1].separation);
    EXPECT_EQ(miss.design.surfaces[2].tilt, bad.surfaces[2].tilt);
}

TEST(LayoutDrawing, NoBandBelowTheTableMeansNoPictureAndNoDivision) {
    // 0.95 * 80 - 76 = 0: the band has no height.  The footprints and the
    // focal ratio are still measured and written; nothing else is drawn.
    for (int height : {80, 60, 1, 0}) {
        RecordingDevice dc(632, height);
        Drawn r = draw(testing::paraboloid(0.5), dc);
        ASSERT_TRUE(r.ok) << height;
        EXPECT_TRUE(dc.callsOf("line").empty()) << height;
        EXPECT_EQ(dc.callsOf("text").size(), 1u) << height;
        EXPECT_NEAR(r.geometry.unvignettedSemiDiameter[2], 4.392426, testing::kPrintedDigits);
    }
    RecordingDevice narrow(0, 408);
    EXPECT_TRUE(draw(testing::paraboloid(0.5), narrow).ok);
    EXPECT_TRUE(narrow.callsOf("line").empty());

    // Twenty mirrors put the band top at 14 * 24 + 6 = 342: below 95 % of a
    // 360-pixel window.  A fold of flats after a paraboloid traces cleanly.
    std::vector<testing::SurfaceSpec> many(21, {0, 0, 0, 50});
    many.front() = {4000, 1, 0, 1000};
    many[19].separation = 1000;
    RecordingDevice small(640, 360);
    Drawn r20 = draw(testing::makeDesign(many, 100), small);
    ASSERT_TRUE(r20.ok) << r20.state.status;
    EXPECT_TRUE(small.callsOf("line").empty());
}

}  // namespace
}  // namespace orvelin
