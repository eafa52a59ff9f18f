// The dispatch from a command to a plot, and the plot buffer's chores.
#include <gtest/gtest.h>

#include "plot_test_util.h"
#include "plots/plot_dispatch.h"

using namespace orvelin;
using namespace orvelin::plottest;

TEST(Dispatch, FrameCommandsAndFocusSteps) {
    Bench b(paraboloid());
    AnalysisResults results;
    LayoutGeometry geometry;

    // F12 before any standard plot: the step is 0, the design stays, and a
    // standard plot at the default scale is drawn around the window centre.
    EXPECT_EQ(dispatchPlot(b.plot, results, geometry, kCommandFocusOut), 1);
    EXPECT_EQ(b.design.separation[1], 500);
    EXPECT_EQ(b.frame.scale, 1900);
    EXPECT_EQ(b.frame.windowCentreX, 320);
    EXPECT_EQ(b.frame.windowCentreY, 200);
    EXPECT_EQ(b.frame.bufferCentreX, 512);
    EXPECT_EQ(b.frame.bufferCentreY, 365);
    EXPECT_EQ(b.window.callsOf("setPixel").size(), 232u);

    // F5 doubles the scale; F11 then steps in by 32 / 3800 and plots at it.
    dispatchPlot(b.plot, results, geometry, kCommandDoubleScale);
    EXPECT_EQ(b.frame.scale, 3800);
    dispatchPlot(b.plot, results, geometry, kCommandFocusIn);
    EXPECT_DOUBLE_EQ(b.design.separation[1], 500 - 32.0 / 3800);
    EXPECT_EQ(b.frame.scale, 3800);
    // Out of focus by 1/119 mm, the f/5 cone makes a disc of radius
    // 0.0084 / 10 mm = 3.2 px: no longer one pixel.
    b.window.clearCalls();
    dispatchPlot(b.plot, results, geometry, kCommandFocusOut);
    dispatchPlot(b.plot, results, geometry, kCommandFocusOut);
    EXPECT_DOUBLE_EQ(b.design.separation[1], 500 + 32.0 / 3800);
    PixelSet last;
    for (const auto& c : b.window.callsOf("setPixel")) last.insert({c.args[0], c.args[1]});
    EXPECT_GT(last.size(), 1u);
    for (auto [x, y] : last) EXPECT_LE((x - 320) * (x - 320) + (y - 200) * (y - 200), 4 * 4);

    // 601 resets the scale; 606 doubles scale and field offset.
    dispatchPlot(b.plot, results, geometry, kCommandStandardPlot);
    EXPECT_EQ(b.frame.scale, 1900);
    dispatchPlot(b.plot, results, geometry, kCommandDoubleScaleAndOffset);
    EXPECT_EQ(b.frame.fieldOffset, 288);

    // 700 with the overlay limit of the 1024 x 768 screen: a circle of
    // trunc(6.49 x 2) = 12 pixels around the buffer centre.
    b.buffer.clearCalls();
    EXPECT_EQ(dispatchPlot(b.plot, results, geometry, kCommandAiryOverlay), 1);
    const auto e = b.buffer.callsOf("ellipse");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].args, (std::vector<int>{500, 353, 525, 378}));

    // Unknown commands do nothing.
    b.window.clearCalls();
    b.buffer.clearCalls();
    EXPECT_EQ(dispatchPlot(b.plot, results, geometry, 42), 1);
    EXPECT_TRUE(b.window.calls().empty());
    EXPECT_TRUE(b.buffer.calls().empty());

    // 602 and 603 draw 8000 dots each.
    dispatchPlot(b.plot, results, geometry, kCommandUniformBlur);
    EXPECT_EQ(b.window.callsOf("setPixel").size(), 8000u);
    dispatchPlot(b.plot, results, geometry, kCommandUniformAiry);
    EXPECT_EQ(b.window.callsOf("setPixel").size(), 16000u);
}

TEST(Dispatch, LayoutResultIsTheDispatchResult) {
    Bench good(paraboloid(0.5));
    AnalysisResults results;
    LayoutGeometry geometry;
    EXPECT_EQ(dispatchPlot(good.plot, results, geometry, kCommandDisplay), 1);
    EXPECT_EQ(good.trace.status, kTraceOk);
    EXPECT_FALSE(good.window.calls().empty());
    EXPECT_TRUE(good.buffer.calls().empty());  // the layout draws in the window only

    Design zero = paraboloid();
    zero.aperture = 0;
    recomputeAperture(zero);
    Bench bad(zero);
    EXPECT_EQ(dispatchPlot(bad.plot, results, geometry, kCommandDisplay), 0);
    EXPECT_EQ(bad.trace.status, kTraceApertureZero);
}

TEST(PlotBuffer, ClearAndPaintCopy) {
    gdi::RecordingDevice buffer(1024, 730, 1024, 768);
    clearPlotBuffer(buffer);
    const auto r = buffer.callsOf("rectangle");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].args, (std::vector<int>{0, 0, 1025, 731}));
    EXPECT_EQ(r[0].brushColor, gdi::RGB(160, 96, 32));
    EXPECT_FALSE(r[0].brushNull);
    EXPECT_EQ(r[0].penStyle, gdi::PS_NULL);
    EXPECT_EQ(buffer.liveObjects(), 0);  // the brush is deleted again
    EXPECT_TRUE(buffer.misuse().empty());
    EXPECT_EQ(buffer.selectedBrush(), buffer.getStockObject(gdi::WHITE_BRUSH));
    EXPECT_EQ(buffer.selectedPen(), buffer.getStockObject(gdi::BLACK_PEN));

    // The buffer's centre (512, 365) lands on the client centre.
    for (auto [w, h, sx, sy] :
         {std::tuple{640, 400, 192, 165}, {641, 401, 191, 164}, {1200, 800, -88, -35}}) {
        gdi::RecordingDevice window(w, h, 1024, 768);
        paintPlotView(window, buffer);
        const auto c = window.callsOf("bitBlt");
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(c[0].args, (std::vector<int>{0, 0, 1024, 730, sx, sy})) << w;
        EXPECT_EQ(512 - sx, (w + 1) / 2);
        EXPECT_EQ(365 - sy, (h + 1) / 2);
    }
}
