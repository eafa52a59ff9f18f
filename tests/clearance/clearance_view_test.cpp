// The clearance view through the recording device: the heading, the tints of
// the beams where they lie alone and where they cross, the red obstruction
// with its clearance beside it, and every pen and brush given back.
#include "clearance/clearance_view.h"

#include <gtest/gtest.h>

#include <cmath>

#include "design/design_file.h"
#include "platform/recording_device.h"
#include "support/test_designs.h"
#include "support/tolerances.h"

namespace orvelin {
namespace {

using draw::rgb;

/// The view of a design's clearance checked with the default options.
ClearanceReport paintChecked(draw::Device& dc, const Design& design) {
    const ClearanceReport report = checkClearance(design, {});
    paintClearanceView(dc, design, {}, report);
    return report;
}

TEST(ClearanceView, PrimeFocusInTheIncomingBeam) {
    const Design d = testing::paraboloid();
    draw::RecordingDevice dev(640, 400);
    const ClearanceReport report = paintChecked(dev, d);
    ASSERT_EQ(report.status, kTraceOk);

    const auto heading =
        dev.textsEqual("Smallest clearance -50.000 mm (surface 2, entrance beam): obstructed");
    ASSERT_EQ(heading.size(), 1u);
    EXPECT_EQ(heading[0].args, (std::vector<int>{8, 4}));
    EXPECT_EQ(heading[0].colour, rgb(210, 0, 0));
    EXPECT_EQ(heading[0].textFont, draw::Font::smallMono());
    EXPECT_EQ(heading[0].background, draw::kHollow);

    // The picture: the beam runs from the mirror back past the left end of
    // the picture, a tenth of the width more than the bodies need.  Bodies:
    // the mirror from its rim (-1.25, +-50) back to its blank's back 100/6
    // behind; the image point at (-500, 0).  The picture keeps 20 pixels
    // inside the 8-pixel margin and below the heading.
    const ClearancePicture pic = fitClearancePicture(report, {0, 0, 640, 400});
    EXPECT_EQ(pic.area.left, 28);
    EXPECT_EQ(pic.area.top, 56);
    const double width = 0 + 100.0 / 6 + 500 + 0.1 * (500 + 100.0 / 6);
    EXPECT_NEAR(pic.k, width / (640 - 56), testing::kWorkedFigure);
    EXPECT_NEAR(pic.x0 + (-500 - 0.1 * (500 + 100.0 / 6)) / pic.k, 28, testing::kWorkedFigure);
    const int axisRow = static_cast<int>(pic.y0);

    // Along the axis: the incoming beam alone in its tint over the
    // background, from the picture's left edge to the image, then crossed by
    // the cone coming back from the mirror.
    const draw::Colour entranceOnly = rgb(245, 225, 165);
    const draw::Colour crossed = rgb(172, 203, 192);
    std::vector<draw::DrawCall> row;
    for (const draw::DrawCall& c : dev.callsOf("fill"))
        if (c.args[1] == axisRow && c.args[3] == axisRow + 1) row.push_back(c);
    ASSERT_GE(row.size(), 2u);
    EXPECT_EQ(row[0].args[0], 28);
    EXPECT_EQ(row[0].colour, entranceOnly);
    // The cone of f/5 starts where the row's centre is as far off the axis
    // as the cone is wide there: ten times that distance from the image.
    const double offAxis = std::fabs(axisRow + 0.5 - pic.y0) * pic.k;
    EXPECT_EQ(row[0].args[2], static_cast<int>(std::ceil(pic.x0 + (-500 + 10 * offAxis) / pic.k - 0.5)));
    EXPECT_EQ(row[1].colour, crossed);
    EXPECT_EQ(row[1].args[0], row[0].args[2]);

    // The image blocks: red, two pixels, its clearance beside it on the
    // background's colour; the mirror in the outline's dark grey.
    const auto label = dev.textsEqual("-50.000 (entrance)");
    ASSERT_EQ(label.size(), 1u);
    EXPECT_EQ(label[0].args[0], static_cast<int>(pic.x0 - 500 / pic.k) + 6);
    EXPECT_EQ(label[0].background, draw::Fill(rgb(240, 240, 236)));
    EXPECT_EQ(label[0].colour, rgb(210, 0, 0));
    int red = 0, grey = 0;
    for (const draw::DrawCall& c : dev.callsOf("line")) {
        if (c.pen.colour == rgb(210, 0, 0) && c.pen.width == 2) ++red;
        if (c.pen.colour == rgb(40, 40, 40) && c.pen.width == 1) ++grey;
    }
    EXPECT_GT(red, 0);
    EXPECT_GT(grey, 4);  // face, back and both sides of the blank
    EXPECT_EQ(dev.textsEqual("1").size(), 1u);
    EXPECT_EQ(dev.textsEqual("2").size(), 1u);
}

TEST(ClearanceView, ClearDesignAndTraceProblem) {
    const Design wide =
        testing::makeDesign({{3300, 0, 7.6, 700}, {-3300, 0, -13.2, 2239}, {0, 0, -10.82, 0}}, 110, 0.5);
    draw::RecordingDevice dev(640, 400);
    const ClearanceReport report = paintChecked(dev, wide);
    ASSERT_TRUE(report.clear);
    EXPECT_EQ(dev.textsEqual(clearanceHeading(wide, report)).at(0).colour, rgb(0, 0, 0));
    EXPECT_NE(clearanceHeading(wide, report).find("): clear"), std::string::npos);
    for (const draw::DrawCall& c : dev.callsOf("line")) EXPECT_NE(c.pen.colour, rgb(210, 0, 0));

    draw::RecordingDevice failed(640, 400);
    const Design flat = testing::flatMirror(100);
    EXPECT_EQ(paintChecked(failed, flat).status, kTraceNoFocus);
    EXPECT_EQ(failed.textsEqual("* Trace problem *").size(), 1u);
    EXPECT_EQ(failed.textsEqual("There is no focus").size(), 1u);
    EXPECT_TRUE(failed.callsOf("line").empty());

    // A window too small for a picture still gets its heading and no more
    // than its client area.
    draw::RecordingDevice tiny(10, 10);
    paintChecked(tiny, testing::paraboloid());
    for (const draw::DrawCall& c : tiny.callsOf("fill")) EXPECT_LE(c.args[3], 10);
}

TEST(ClearanceView, KeepsAMarginAndPutsTheNumbersClearOfTheBeams) {
    // The tilted designs: each surface has room beside it outside the beams
    // (a prime focus sits inside the incoming beam, with none).
    std::vector<std::pair<std::string, Design>> designs;
    for (const char* name : {"schiefspiegler.ov", "toroid.ov"}) {
        Design d;
        ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + name).accepted()) << name;
        designs.emplace_back(name, d);
    }
    designs.emplace_back("three mirrors", testing::threeMirrorTilted());
    for (const auto& [name, design] : designs) {
        for (auto [w, h] : {std::pair{632, 408}, {1600, 1000}, {900, 700}, {1900, 420}}) {
            SCOPED_TRACE(name + " " + std::to_string(w) + "x" + std::to_string(h));
            draw::RecordingDevice dev(w, h);
            const ClearanceReport report = paintChecked(dev, design);
            ASSERT_EQ(report.status, kTraceOk);
            // Bodies and rays keep well off the window's edges.
            for (const draw::DrawCall& c : dev.callsOf("line"))
                for (size_t i = 0; i + 1 < c.args.size(); i += 2) {
                    EXPECT_GE(c.args[i], 16);
                    EXPECT_LE(c.args[i], w - 16);
                    EXPECT_LE(c.args[i + 1], h - 16);
                }
            // Each surface's number, one cell of the fixed font a digit,
            // covers no pixel of a beam (the tinted rows).
            const draw::FontMetrics m = dev.fontMetrics(draw::Font::smallMono());
            std::vector<draw::DrawCall> beams;
            for (const draw::DrawCall& c : dev.callsOf("fill"))
                if (c.colour != kClearanceBackground && c.args[1] >= 36) beams.push_back(c);
            ASSERT_FALSE(beams.empty());
            for (int k = 1; k < design.surfaceCount + 1; ++k) {
                const auto number = dev.textsEqual(std::to_string(k));
                ASSERT_EQ(number.size(), 1u) << k;
                const int x = number[0].args[0], y = number[0].args[1];
                const int right = x + m.averageCharWidth * static_cast<int>(std::to_string(k).size());
                for (const draw::DrawCall& b : beams)
                    EXPECT_FALSE(b.args[0] < right && x < b.args[2] && b.args[1] < y + m.height &&
                                 y < b.args[3])
                        << "number " << k << " at " << x << "," << y << " over the beam at " << b.args[0]
                        << "," << b.args[1];
            }
        }
    }
}

}  // namespace
}  // namespace orvelin
