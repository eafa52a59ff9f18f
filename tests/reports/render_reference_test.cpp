// Rendered views compared with stored reference images: a pixel differs when
// a channel differs by more than kChannelTolerance, and only the font
// rasteriser's antialiasing may differ, never a moved line or a colour.
// ORVELIN_UPDATE_REFERENCES=1 rewrites the references after an intended change.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "app/view_table.h"
#include "design/design_file.h"
#include "platform/qt/headless.h"
#include "platform/qt/qt_device.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"

namespace orvelin {
namespace {

constexpr int kChannelTolerance = 40;
constexpr double kDifferingPixelShare = 0.004;

QImage renderView(const std::string& example, int view) {
    Design d;
    LoadResult loaded = loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/" + example);
    EXPECT_TRUE(loaded.accepted()) << example << ": " << loaded.message;
    QImage image(qt::kInitialClientWidth, qt::kInitialClientHeight, QImage::Format_RGB32);
    TraceState state;
    AnalysisResults results;
    qt::QtDevice dc(image, draw::Rect{0, 0, image.width(), image.height()}, qt::ScreenMetrics{1024, 768});
    eraseBackground(dc, viewBackground(view));
    if (view == kViewDesign) {
        drawDesignView(dc, d, analyseDesign(d));
    } else {
        analyseSystem(d, state, results);
        PaintViewPage(dc, view, d, results);
    }
    dc.end();
    return image;
}

void compareWithReference(const QImage& image, const std::string& name) {
    const QString path = QString::fromStdString(std::string(ORVELIN_TEST_DATA) + "/reference/" + name);
    if (const char* update = std::getenv("ORVELIN_UPDATE_REFERENCES"); update && std::string(update) == "1") {
        ASSERT_TRUE(image.save(path, "PNG")) << path.toStdString();
        return;
    }
    QImage reference(path);
    ASSERT_FALSE(reference.isNull()) << "missing reference " << path.toStdString();
    reference = reference.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(reference.size(), image.size()) << name;
    long differing = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb a = image.pixel(x, y), b = reference.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > kChannelTolerance ||
                std::abs(qGreen(a) - qGreen(b)) > kChannelTolerance ||
                std::abs(qBlue(a) - qBlue(b)) > kChannelTolerance)
                ++differing;
        }
    const long allowed = static_cast<long>(kDifferingPixelShare * image.width() * image.height());
    EXPECT_LE(differing, allowed) << name << ": " << differing << " pixels differ";
}

class RenderReference : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { qt::ensureQtApplication(); }
};

TEST_F(RenderReference, ExampleViews) {
    compareWithReference(renderView("paraboloid-f5.ov", kViewWelcome), "welcome.png");
    compareWithReference(renderView("paraboloid-f5.ov", kViewDesign), "paraboloid-design.png");
    compareWithReference(renderView("paraboloid-f5.ov", kViewTraceReport), "paraboloid-report.png");
    compareWithReference(renderView("sphere.ov", kViewDesign), "sphere-design.png");
}

TEST_F(RenderReference, ExactPixelsOfTheDesignView) {
    // Independently of the references: the table's light top bevel at y 18
    // and 19, its grey panel and dark right bevel; the mirror two blue columns.
    QImage image = renderView("paraboloid-f5.ov", kViewDesign);
    const int cx = qt::kInitialClientWidth / 2;
    const std::tuple<int, int, QRgb> pixels[] = {{cx, 19, qRgb(224, 224, 224)},
                                                 {cx, 18, qRgb(224, 224, 224)},
                                                 {cx - 270, 30, qRgb(168, 168, 168)},
                                                 {cx + 268, 30, qRgb(96, 96, 96)},
                                                 {cx + 269, 30, qRgb(160, 160, 160)}};
    for (auto [x, y, colour] : pixels) EXPECT_EQ(image.pixel(x, y), colour) << x << "," << y;
    int blueColumns = 0;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixel(x, (76 + 408) / 2) == qRgb(0, 0, 160)) ++blueColumns;
    EXPECT_EQ(blueColumns, 2);
}

#ifdef ORVELIN_CLI
// An f/1.7 paraboloid before a focal plane curved to radius 5: the analysis
// traces, the layout's marginal field rays miss the focal plane.
constexpr const char* kTinyFocalSphere =
    "QuorVex V0.90                       tinyfocus\n\n 1 surface design\n\n"
    " Type         Radius        CC/Rsag       Tilt          Separation\n\n"
    " 0             1000          1             0             500\n"
    " 0             5             0             0            focal plane\n\n"
    " Aperture 300 mm         Field 1 Degrees     f/1.70\n";

int renderWithCli(const std::string& design, const std::string& view, QImage& image) {
    const std::string dir = ::testing::TempDir();
    const std::string file = dir + "tinyfocus.ov", png = dir + "tinyfocus-" + view + ".png";
    if (FILE* f = std::fopen(file.c_str(), "w")) {
        std::fputs(design.c_str(), f);
        std::fclose(f);
    }
    std::remove(png.c_str());
    const std::string command = std::string("QT_QPA_PLATFORM=offscreen '") + ORVELIN_CLI + "' render '" +
                                file + "' --view " + view + " -o '" + png + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    image.load(QString::fromStdString(png));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(RenderReference, CliRefusesTheReportOfADesignViewWithATraceProblem) {
    // The design view shows its blue banner and exits 4; the report is
    // refused as in the window, and no picture is written.
    QImage design, report;
    EXPECT_EQ(renderWithCli(kTinyFocalSphere, "design", design), 4);
    ASSERT_FALSE(design.isNull());
    long bannerBlue = 0;
    for (int y = 0; y < design.height(); ++y)
        for (int x = 0; x < design.width(); ++x) bannerBlue += design.pixel(x, y) == qRgb(0, 32, 192);
    EXPECT_GT(bannerBlue, 0);
    EXPECT_EQ(renderWithCli(kTinyFocalSphere, "report", report), 4);
    EXPECT_TRUE(report.isNull());
}
#endif

}  // namespace
}  // namespace orvelin
