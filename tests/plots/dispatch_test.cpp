// The dispatch from a command to a plot, and the plot buffer's chores.
#include <gtest/gtest.h>

#include "plot_test_util.h"
#include "plots/plot_dispatch.h"

using namespace orvelin;
using namespace orvelin::plottest;

TEST(Dispatch, FrameCommandsAndFocusSteps) {
    Bench b(paraboloid());  // no frame set up: the dispatch does it
    // A focus step is the application's change of the design, made before
    // the plot that follows it.
    auto run = [&](int command) {
        stepFocus(b.design, b.frame, command);
        dispatchPlot(b.plot, command);
    };

    // F12 before any standard plot: the step is 0 and a standard plot at the
    // default scale is drawn.  The perfect axial focus is one white pixel at
    // each centre: 116 rays (the 4 pattern points on the y axis are traced
    // once) of two dots each, and nothing else.
    run(kCmdFocusOut);
    EXPECT_EQ(b.design.surfaces[1].separation, 500);
    EXPECT_EQ(b.frame.scale, 1900);
    EXPECT_EQ(b.trace.status, kTraceOk);
    ASSERT_EQ(b.window.calls().size(), 232u);
    ASSERT_EQ(b.buffer.calls().size(), 232u);
    for (const auto& c : b.window.calls()) EXPECT_EQ(c.args, (std::vector<int>{320, 200}));
    for (const auto& c : b.buffer.calls()) EXPECT_EQ(c.args, (std::vector<int>{512, 365}));

    // F5, then F11 steps in by 32 / 3800 at that scale; two F12 later the
    // plane is 1/119 mm out and the f/5 cone makes a disc of about 3.2 px.
    run(kCmdDoubleScale);
    run(kCmdFocusIn);
    EXPECT_DOUBLE_EQ(b.design.surfaces[1].separation, 500 - 32.0 / 3800);
    EXPECT_EQ(b.frame.scale, 3800);
    b.window.clearCalls();
    run(kCmdFocusOut);
    run(kCmdFocusOut);
    EXPECT_DOUBLE_EQ(b.design.surfaces[1].separation, 500 + 32.0 / 3800);
    const PixelSet last = pixels(b.window);
    EXPECT_GT(last.size(), 1u);
    for (auto [x, y] : last) EXPECT_LE((x - 320) * (x - 320) + (y - 200) * (y - 200), 4 * 4);

    // 601 resets, 606 doubles; 700 then draws trunc(6.49 x 2) = 12 pixels.
    run(kCmdStandardPlot);
    run(kCmdDoubleScaleAndOffset);
    EXPECT_EQ(b.frame.fieldOffset, 288);
    b.buffer.clearCalls();
    run(kCmdAiry);
    const auto e = b.buffer.callsOf("ellipse");
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].args, (std::vector<int>{500, 353, 525, 378}));

    // Unknown commands do nothing; 602 and 603 draw 8000 dots each.
    b.window.clearCalls();
    b.buffer.clearCalls();
    run(42);
    EXPECT_TRUE(b.window.calls().empty());
    EXPECT_TRUE(b.buffer.calls().empty());
    run(kCmdUniformBlur);
    run(kCmdUniformAiry);
    EXPECT_EQ(b.window.callsOf("pixel").size(), 16000u);
}

TEST(PlotBuffer, ClearAndPaintCopy) {
    draw::RecordingDevice buffer(1024, 730, 1024, 768);
    clearPlotBuffer(buffer);
    ASSERT_EQ(buffer.callsOf("rect").size(), 1u);
    const draw::DrawCall clear = buffer.callsOf("rect")[0];
    EXPECT_EQ(clear.args, (std::vector<int>{0, 0, 1025, 731}));
    EXPECT_EQ(clear.pen, draw::kNoPen);  // no outline: the fill covers the whole box
    EXPECT_EQ(clear.fill, draw::Fill(draw::rgb(160, 96, 32)));

    // The buffer's centre (512, 365) lands on the client centre.
    for (auto [w, h, sx, sy] :
         {std::tuple{640, 400, 192, 165}, {641, 401, 191, 164}, {1200, 800, -88, -35}}) {
        draw::RecordingDevice window(w, h, 1024, 768);
        paintPlotView(window, buffer);
        const auto c = window.callsOf("copy");
        ASSERT_EQ(c.size(), 1u);
        EXPECT_EQ(c[0].args, (std::vector<int>{0, 0, 1024, 730, sx, sy})) << w;
    }
}
