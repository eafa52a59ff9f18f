// The design view: table, then layout, or the trace-problem banner.
#include "reports/design_view.h"

#include <gtest/gtest.h>

#include "platform/recording_device.h"
#include "report_test_designs.h"
#include "reports/screen_report.h"

namespace orvelin {
namespace {

using gdi::DrawCall;
using gdi::RecordingDevice;
using gdi::RGB;
using Ints = std::vector<int>;

struct View {
    bool drawn;
    TraceState state;
};

View paint(Design d, RecordingDevice& dc) {
    View v{false, {}};
    AnalysisResults results;
    LayoutGeometry geometry;
    v.drawn = paintDesignView(dc, d, v.state, results, geometry);
    return v;
}

TEST(DesignView, TableThenLayout) {
    RecordingDevice dc(630, 411);
    View v = paint(testing::paraboloid(), dc);
    ASSERT_TRUE(v.drawn);
    EXPECT_TRUE(dc.callsOf("drawText").empty());
    // The table's panel comes first, the layout's rays after it; the focal
    // ratio is the last text.
    const auto& calls = dc.calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front().op, "rectangle");
    EXPECT_EQ(dc.callsOf("textOut").back().text, "f/5.01");
    EXPECT_EQ(dc.callsOf("lineTo").size(), 11u + 10u);
    EXPECT_EQ(dc.liveObjects(), 0);
    EXPECT_TRUE(dc.misuse().empty());
}

TEST(DesignView, BannerReplacesTheLayoutWhenTheTraceFails) {
    // Aperture zero, two surfaces, client 630 x 411: a = 76,
    // y = 76 + (411 - 76) / 2 - 27 = 216.
    RecordingDevice dc(630, 411);
    View v = paint(testing::makeDesign({{1000, 1, 0, 500}}, 0, 0.5), dc);
    EXPECT_FALSE(v.drawn);
    EXPECT_EQ(v.state.status, kTraceApertureZero);
    // The table is still there.
    EXPECT_EQ(dc.callsOf("rectangle").size(), 1u);
    EXPECT_EQ(dc.textsEqual("parab").size(), 1u);
    EXPECT_EQ(dc.callsOf("lineTo").size(), 11u);  // the table's bevel only

    auto texts = dc.callsOf("drawText");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].text, "* Trace problem *");
    EXPECT_EQ(texts[0].args, (Ints{2, 216, 630, 411, static_cast<int>(gdi::DT_CENTER)}));
    EXPECT_EQ(texts[0].textColor, RGB(128, 128, 128));
    EXPECT_EQ(texts[0].font, "SYSTEM_FONT");
    EXPECT_EQ(texts[1].text, "* Trace problem *");
    EXPECT_EQ(texts[1].args, (Ints{0, 215, 630, 411, static_cast<int>(gdi::DT_CENTER)}));
    EXPECT_EQ(texts[1].textColor, RGB(0, 32, 192));
    EXPECT_EQ(texts[2].text, "\n\nAperture is zero");
    EXPECT_EQ(texts[2].args, texts[1].args);
    EXPECT_EQ(texts[2].textColor, RGB(0, 0, 0));
    EXPECT_EQ(texts[2].bkMode, gdi::TRANSPARENT);
    EXPECT_EQ(dc.liveObjects(), 0);
}

TEST(DesignView, BannerMessagesAndPlacement) {
    EXPECT_EQ(traceProblemText(kTraceApertureZero), "\n\nAperture is zero");
    EXPECT_EQ(traceProblemText(kTraceNoFocus), "\n\nThere is no focus");
    EXPECT_EQ(traceProblemText(7), "\n\nLight misses surface #4");
    EXPECT_EQ(traceProblemText(traceMissStatus(21)), "\n\nLight misses surface #21");

    // A window shorter than the table: the half is truncated toward zero,
    // (50 - 76) / 2 = -13, so y = 76 - 13 - 27 = 36.
    RecordingDevice dc(300, 50);
    drawTraceProblemBanner(dc, 2, 7);
    auto texts = dc.callsOf("drawText");
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0].args[1], 36);
    EXPECT_EQ(texts[1].args[1], 35);
    EXPECT_EQ(texts[2].text, "\n\nLight misses surface #4");
    EXPECT_EQ(dc.selectedFont(), dc.getStockObject(gdi::SYSTEM_FONT));

    // A missed mirror in a real design: a steep sphere the beam cannot meet.
    RecordingDevice dc2(632, 408);
    View v = paint(testing::makeDesign({{10, 0, 0, 500}}, 100, 0.5), dc2);
    EXPECT_FALSE(v.drawn);
    EXPECT_EQ(dc2.callsOf("drawText").back().text, "\n\nLight misses surface #1");
}

TEST(DesignView, AnalysisTracesButTheLayoutMissesTheFocalPlane) {
    // An f/1.7 paraboloid before a focal plane curved to radius 5: the
    // analysis traces its chief rays to the best-fit plane, but the layout's
    // marginal field rays, 150 off the axis at the mirror, fall outside that
    // little sphere.  The view shows the table and the banner, not a layout.
    Design d = testing::makeDesign({{1000, 1, 0, 500}}, 300, 0.5);
    d.radius[2] = d.sagRadius[2] = 5;
    recomputeSurface(d, 2);
    {
        Design copy = d;
        TraceState state;
        AnalysisResults results;
        ASSERT_TRUE(analyseSystem(copy, state, results));
    }
    RecordingDevice dc(632, 408);
    View v = paint(d, dc);
    EXPECT_FALSE(v.drawn);
    EXPECT_EQ(v.state.status, traceMissStatus(2));
    EXPECT_EQ(dc.callsOf("lineTo").size(), 11u);  // the table's bevel only
    EXPECT_TRUE(dc.textsEqual("f/1.70").empty());
    ASSERT_EQ(dc.callsOf("drawText").size(), 3u);
    EXPECT_EQ(dc.callsOf("drawText")[2].text, "\n\nLight misses surface #2");
    EXPECT_EQ(dc.liveObjects(), 0);
}

TEST(DesignView, BackgroundsOfTheViews) {
    EXPECT_EQ(viewBackground(kViewWelcome), RGB(128, 128, 128));
    EXPECT_EQ(viewBackground(kViewTraceReport), RGB(128, 160, 192));
    EXPECT_EQ(viewBackground(kViewDesign), RGB(160, 160, 160));
    EXPECT_EQ(viewBackground(602), RGB(160, 96, 32));
    RecordingDevice dc(100, 80);
    eraseBackground(dc, RGB(1, 2, 3));
    auto fills = dc.callsOf("fillRect");
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].args, (Ints{0, 0, 100, 80}));
    EXPECT_EQ(fills[0].color, RGB(1, 2, 3));
    EXPECT_EQ(dc.liveObjects(), 0);
}

}  // namespace
}  // namespace orvelin
