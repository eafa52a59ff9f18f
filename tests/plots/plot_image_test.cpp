// Plots on real images through the Qt device, and the plot views of
// orvelin-cli render.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdlib>
#include <fstream>
#include <string>

#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "plot_test_util.h"
#include "plots/plot_dispatch.h"

using namespace orvelin;
using namespace orvelin::plottest;

TEST(PlotImage, StandardAndBlurPlotsHaveTheRecordedPixels) {
    qt::ensureQtApplication();
    for (int command : {kCmdStandardPlot, kCmdUniformBlur}) {
        // The plot on a 632 x 408 client area of a 1024 x 768 screen: dots
        // drawn live, then the paint copy of the buffer; and the same plot
        // through the recording device.
        QImage img(632, 408, QImage::Format_RGB32), bufferImage(1024, 730, QImage::Format_RGB32);
        img.fill(Qt::black);
        {
            Bench b(paraboloid(1.0));
            qt::QtDevice window(img, {0, 0, 632, 408}, qt::ScreenMetrics{1024, 768});
            qt::QtDevice buffer(bufferImage);
            clearPlotBuffer(buffer);
            paintPlotView(window, buffer);
            SpotPlot plot{b.design, b.trace, b.frame, b.random, window, buffer, nullptr};
            dispatchPlot(plot, command);
            paintPlotView(window, buffer);
        }
        Bench b(paraboloid(1.0));
        draw::RecordingDevice window(632, 408, 1024, 768);
        SpotPlot plot{b.design, b.trace, b.frame, b.random, window, b.buffer, nullptr};
        dispatchPlot(plot, command);

        // The image shows exactly the recorded dots (the 1-degree field spots
        // reach past its top and bottom) on the plot background.
        PixelSet white, inside;
        int other = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                if (c == qRgb(255, 255, 255)) white.insert({x, y});
                other += c != qRgb(255, 255, 255) && c != qRgb(160, 96, 32);
            }
        EXPECT_EQ(other, 0) << command;
        for (auto [x, y] : pixels(window))
            if (x >= 0 && x < img.width() && y >= 0 && y < img.height()) inside.insert({x, y});
        EXPECT_EQ(white, inside) << command;
        EXPECT_TRUE(white.count({316, 204})) << command;
    }
}

#ifdef ORVELIN_CLI
namespace {

// Renders a view of a tilted toroid whose sagittal radius (52) only just
// clears the on-axis beam (semi-aperture 50): the design view traces cleanly,
// but the rim rays of the sagittal field edge, 4 degrees off axis, miss it.
QImage renderView(const char* view, int& exitCode) {
    const std::string file = ::testing::TempDir() + "missrim.ov";
    const std::string png = ::testing::TempDir() + "missrim-" + view + ".png";
    std::ofstream(file) << "QuorVex V0.90                       missrim\n\n 1 surface design\n\n"
                           " Type         Radius        CC/Rsag       Tilt          Separation\n\n"
                           " 1             1000          52            2             500\n"
                           " 0             0             0             0            focal plane\n\n"
                           " Aperture 100 mm         Field 8 Degrees     f/5.00\n";
    std::remove(png.c_str());
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + ORVELIN_CLI + "' render '" +
                                file + "' --view " + view + " -o '" + png + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return QImage(QString::fromStdString(png));
}

// Bounding box {left, top, right, bottom} of the pixels of one colour.
std::vector<int> boxOf(const QImage& img, QRgb colour) {
    std::vector<int> box{img.width(), img.height(), -1, -1};
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) == colour)
                box = {std::min(box[0], x), std::min(box[1], y), std::max(box[2], x), std::max(box[3], y)};
    return box;
}

}  // namespace

TEST(PlotRender, ViewsOfADesignWhoseFieldRimMissesTheMirror) {
    // Default client area 632 x 408, plot centre (316, 204).  "Uniform Airy"
    // traces the axial spot only: the 200-pixel circle with the dots inside.
    int exitCode = -1;
    const QImage airy = renderView("airy", exitCode);
    EXPECT_EQ(exitCode, 0);
    ASSERT_FALSE(airy.isNull());
    EXPECT_EQ(boxOf(airy, qRgb(0, 0, 0)), (std::vector<int>{116, 4, 516, 404}));
    const std::vector<int> dots = boxOf(airy, qRgb(255, 255, 255));
    EXPECT_GT(dots[0], 116);
    EXPECT_LT(dots[2], 516);
    EXPECT_GE(boxOf(renderView("blur", exitCode), qRgb(255, 255, 255))[2], 316);
    EXPECT_EQ(exitCode, 0);

    // The standard plot's sagittal rays miss: the status is reported, yet
    // "Airy!" still draws the f/5 circle (6 pixels) over the plot on screen.
    EXPECT_EQ(boxOf(renderView("standard", exitCode), qRgb(0, 0, 0))[2], -1);
    EXPECT_EQ(exitCode, 4);
    EXPECT_EQ(boxOf(renderView("overlay", exitCode), qRgb(0, 0, 0)), (std::vector<int>{310, 198, 322, 210}));
    EXPECT_EQ(exitCode, 4);
}
#endif
