// A plot drawn on real images through the Qt device: the window picture after
// the plot (dots drawn live, then the paint copy of the buffer) has exactly
// the white pixels the recording device saw, on the plot background.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>

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

#ifdef ORVELIN_CLI
namespace {

// A tilted toroid whose sagittal radius (52) only just clears the on-axis
// beam (semi-aperture 50): the design view traces cleanly, but the rim rays
// of the sagittal field edge, 4 degrees off axis, miss it.
constexpr const char* kMissingRimDesign =
    "QuorVex V0.90                       missrim\n\n 1 surface design\n\n"
    " Type         Radius        CC/Rsag       Tilt          Separation\n\n"
    " 1             1000          52            2             500\n"
    " 0             0             0             0            focal plane\n\n"
    " Aperture 100 mm         Field 8 Degrees     f/5.00\n";

struct Rendered {
    int exitCode = -1;
    QImage image;
};

Rendered renderView(const std::string& design, const char* view) {
    const std::string dir = testing::TempDir();
    const std::string file = dir + "missrim.ov";
    const std::string png = dir + "missrim-" + view + ".png";
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fputs(design.c_str(), f);
        std::fclose(f);
    }
    std::remove(png.c_str());
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + ORVELIN_CLI + "' render '" +
                                file + "' --view " + view + " -o '" + png + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    Rendered r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.image.load(QString::fromStdString(png));
    return r;
}

// Bounding box {left, top, right, bottom} of the pixels of one colour.
std::vector<int> boxOf(const QImage& img, QRgb colour) {
    std::vector<int> box{img.width(), img.height(), -1, -1};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour) {
                box[0] = std::min(box[0], x);
                box[1] = std::min(box[1], y);
                box[2] = std::max(box[2], x);
                box[3] = std::max(box[3], y);
            }
    return box;
}

}  // namespace

TEST(PlotRender, ViewsOfADesignWhoseFieldRimMissesTheMirror) {
    // The default client area is 632 x 408: plot centre (316, 204).
    // "Uniform Airy" is the axial spot only: nothing misses, and the window
    // shows the 200-pixel circle with the dots inside it.
    const Rendered airy = renderView(kMissingRimDesign, "airy");
    EXPECT_EQ(airy.exitCode, 0);
    ASSERT_FALSE(airy.image.isNull());
    EXPECT_EQ(boxOf(airy.image, qRgb(0, 0, 0)), (std::vector<int>{116, 4, 516, 404}));
    const std::vector<int> dots = boxOf(airy.image, qRgb(255, 255, 255));
    EXPECT_GT(dots[0], 116);
    EXPECT_LT(dots[2], 516);

    const Rendered blur = renderView(kMissingRimDesign, "blur");
    EXPECT_EQ(blur.exitCode, 0);
    EXPECT_GE(boxOf(blur.image, qRgb(255, 255, 255))[2], 316);

    // The standard plot's sagittal field rays miss: the status is reported,
    // yet "Airy!" asks only for a plot on screen, so the f/5 circle
    // (trunc(0.0034 mm x 1900) = 6 pixels) is drawn over it.
    const Rendered standard = renderView(kMissingRimDesign, "standard");
    EXPECT_EQ(standard.exitCode, 4);
    EXPECT_EQ(boxOf(standard.image, qRgb(0, 0, 0))[2], -1);
    const Rendered overlay = renderView(kMissingRimDesign, "overlay");
    EXPECT_EQ(overlay.exitCode, 4);
    EXPECT_EQ(boxOf(overlay.image, qRgb(0, 0, 0)), (std::vector<int>{310, 198, 322, 210}));
}
#endif
