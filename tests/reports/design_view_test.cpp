// The design view: table, then layout, or the trace-problem banner.
#include "reports/design_view.h"

#include <gtest/gtest.h>

#include "platform/recording_device.h"
#include "reports/screen_report.h"
#include "support/test_designs.h"

namespace orvelin {
namespace {

using draw::RecordingDevice;
using draw::rgb;

struct View {
    bool drawn;
    TraceState state;
};

View paint(Design d, RecordingDevice& dc) {
    const DesignAnalysis analysis = analyseDesign(d);
    drawDesignView(dc, d, analysis);
    View v{analysis.traced(), {}};
    v.state.status = analysis.status;
    return v;
}

TEST(DesignView, BannerReplacesTheLayoutWhenTheTraceFails) {
    // Aperture zero, two surfaces, client 630 x 411: a = 76,
    // y = 76 + (411 - 76) / 2 - 27 = 216.
    RecordingDevice dc(630, 411);
    View v = paint(testing::makeDesign({{1000, 1, 0, 500}, {}}, 0, 0.5), dc);
    EXPECT_FALSE(v.drawn);
    EXPECT_EQ(v.state.status, kTraceApertureZero);
    EXPECT_EQ(dc.textsEqual("parab").size(), 1u);  // the table is still there
    EXPECT_EQ(dc.callsOf("line").size(), 11u);     // but only its bevel

    // Centred across the box (alignment 1), clipped to it.
    auto texts = dc.callsOf("textBox");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].str(), "textBox 2 216 630 411 1 '* Trace problem *'");
    EXPECT_EQ(texts[1].str(), "textBox 0 215 630 411 1 '* Trace problem *'");
    EXPECT_EQ(texts[2].str(), "textBox 0 215 630 411 1 '\n\nAperture is zero'");
    const draw::Colour colours[] = {rgb(128, 128, 128), rgb(0, 32, 192), rgb(0, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(texts[i].colour, colours[i]) << i;
        EXPECT_EQ(texts[i].textFont, draw::Font::boldSans()) << i;
        EXPECT_EQ(texts[i].background, draw::kHollow) << i;
    }
}

TEST(DesignView, BannerInAWindowShorterThanTheTable) {
    // A window shorter than the table: the half is truncated toward zero,
    // (50 - 76) / 2 = -13, so y = 76 - 13 - 27 = 36.
    RecordingDevice dc(300, 50);
    drawTraceProblemBanner(dc, 2, traceMissStatus(4));
    auto texts = dc.callsOf("textBox");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].args, (std::vector<int>{2, 36, 300, 50, 1}));
    EXPECT_EQ(texts[1].args, (std::vector<int>{0, 35, 300, 50, 1}));
    EXPECT_EQ(texts[2].text, "\n\nLight misses surface #4");
}

TEST(DesignView, AnalysisTracesButTheLayoutMissesTheFocalPlane) {
    // An f/1.7 paraboloid before a focal plane curved to radius 5: the
    // analysis traces its chief rays to the best-fit plane (the trace report
    // is drawn), but the layout's marginal field rays, 150 off the axis at
    // the mirror, miss that little sphere.  The view shows table and banner.
    const Design d = testing::makeDesign({{1000, 1, 0, 500}, {5, 0, 0, 0}}, 300, 0.5);
    Design copy = d;
    TraceState analysed;
    AnalysisResults results;
    ASSERT_TRUE(analyseSystem(copy, analysed, results));  // the analysis alone traces
    RecordingDevice dc(632, 408);
    View v = paint(d, dc);
    EXPECT_FALSE(v.drawn);
    EXPECT_EQ(v.state.status, traceMissStatus(2));
    EXPECT_EQ(dc.callsOf("line").size(), 11u);  // the table's bevel only
    EXPECT_EQ(dc.callsOf("textBox").back().text, "\n\nLight misses surface #2");
}

}  // namespace
}  // namespace orvelin
