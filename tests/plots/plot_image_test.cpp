// A plot drawn on real images through the Qt device: the window picture after
// the plot (dots drawn live, then the paint copy of the buffer) has exactly
// the white pixels the recording device saw, on the plot background.
#include <gtest/gtest.h>

#include <QImage>

#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "plot_test_util.h"
#include "plots/plot_dispatch.h"

using namespace orvelin;
using namespace orvelin::plottest;

namespace {

// Render a command on a 632 x 408 client area of a 1024 x 768 screen.
QImage renderOnImages(Design design, int command, PixelSet& recorded) {
    qt::ensureQtApplication();
    QImage windowImage(632, 408, QImage::Format_RGB32);
    QImage bufferImage(1024, 730, QImage::Format_RGB32);
    windowImage.fill(Qt::black);
    {
        qt::QtDevice window(windowImage, {0, 0, 632, 408}, qt::DeviceCaps{1024, 768});
        qt::QtDevice buffer(bufferImage);
        clearPlotBuffer(buffer);
        paintPlotView(window, buffer);
        TraceState trace;
        PlotFrame frame;
        RandomSource random;
        AnalysisResults results;
        LayoutGeometry geometry;
        SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};
        dispatchPlot(plot, results, geometry, command);
        paintPlotView(window, buffer);
        EXPECT_EQ(window.liveObjects(), 0);
        EXPECT_EQ(buffer.liveObjects(), 0);
    }
    // The same plot through the recording device, same client and screen.
    Bench b(std::move(design));
    gdi::RecordingDevice window(632, 408, 1024, 768);
    SpotPlot plot{b.design, b.trace, b.frame, b.random, window, b.buffer, nullptr};
    AnalysisResults results;
    LayoutGeometry geometry;
    dispatchPlot(plot, results, geometry, command);
    recorded = pixels(window);
    return windowImage;
}

}  // namespace

TEST(PlotImage, StandardAndBlurPlotsHaveTheRecordedPixels) {
    for (int command : {kCommandStandardPlot, kCommandUniformBlur}) {
        PixelSet recorded;
        const QImage img = renderOnImages(paraboloid(1.0), command, recorded);
        PixelSet white;
        int other = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                if (c == qRgb(255, 255, 255))
                    white.insert({x, y});
                else if (c != qRgb(160, 96, 32))
                    ++other;
            }
        EXPECT_EQ(other, 0) << command;  // the whole client area is plot background or dots
        PixelSet inside;                 // the 1-degree field spots reach past the top and bottom
        for (auto [x, y] : recorded)
            if (x >= 0 && x < img.width() && y >= 0 && y < img.height()) inside.insert({x, y});
        EXPECT_EQ(white, inside) << command;
        EXPECT_TRUE(white.count({316, 204})) << command;  // the axial point at the centre
    }
}
