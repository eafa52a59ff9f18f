// The diffraction view through the recording device: the common PSF scale,
// the Airy circle's radius in pixels, the picture's brightest pixel at the
// chief ray, the MTF box and its diffraction limit starting at contrast 1,
// the log scale's labels, a field that does not trace, and the cache.
#include "diffraction/diffraction_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "aberrations/plot_axes.h"
#include "design/design_file.h"
#include "platform/recording_device.h"
#include "support/test_designs.h"

using namespace orvelin;
using draw::DrawCall;
using draw::RecordingDevice;
using Ints = std::vector<int>;

namespace {

Design paraboloidExample() {
    Design d;
    EXPECT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/paraboloid-f5.ov").accepted());
    return d;
}

/// The calls of one op drawn with a pen of this colour.
std::vector<DrawCall> withPen(const RecordingDevice& dc, const char* op, draw::Colour colour) {
    std::vector<DrawCall> out;
    for (const DrawCall& c : dc.callsOf(op))
        if (c.pen.colour == colour) out.push_back(c);
    return out;
}

}  // namespace

// The f/5 paraboloid at 1280 x 960 on the recording device: font cells of
// 20 (10 wide, 22 a line), margin 16, rows of 188 from y 104 under the
// titles; the figures column is "Mar\xE9chal 1.000" wide (140 + 22), tick
// labels 61.  So the PSF box is 144 square at (239, 104), the MTF box
// (466, 104)-(823, 248).
TEST(DiffractionView, ParaboloidPixels) {
    const Design d = paraboloidExample();
    const DiffractionResult r = computeDiffraction(d);
    // Room for the edges' centroid (10.886 um) and 1.5 ee80 (10.990 um):
    // 27.37, rounded up to a step of 10.
    EXPECT_EQ(psfWindowHalfWidth(r), 30);

    RecordingDevice dc(1280, 960);
    drawDiffractionView(dc, {0, 0, 1280, 960}, aberrationViewTitle(d), r, false);
    EXPECT_EQ(dc.textsEqual("Diffraction: paraboloid-f5").size(), 1u);
    EXPECT_EQ(dc.textsEqual("Strehl 1.000").size(), 1u);
    EXPECT_EQ(dc.textsEqual("Mar\xE9"
                            "chal 0.094")
                  .size(),
              3u);
    EXPECT_EQ(dc.textsEqual("EE50 1.50 \xB5m").size(), 1u);
    EXPECT_EQ(dc.textsEqual("EE80 10.99 \xB5m").size(), 3u);

    // Four pictures, one a field, and the colour scale.
    const auto images = dc.callsOf("image");
    ASSERT_EQ(images.size(), 5u);
    EXPECT_EQ(images[0].args, (Ints{239, 104, 144, 144}));
    EXPECT_EQ(images[1].args, (Ints{239, 104 + 188, 144, 144}));
    // The chief ray falls between the four middle pixels (71 and 72 across
    // and down, 0.21 um from it): on the perfect axis they are alike and
    // the brightest; the corners lie dark.
    const auto& pixels = images[0].pixels;
    ASSERT_EQ(pixels.size(), 144u * 144u);
    auto brightness = [](draw::Colour c) { return c.r + c.g + c.b; };
    int brightest = 0;
    for (draw::Colour c : pixels) brightest = std::max(brightest, brightness(c));
    for (int k : {71 * 144 + 71, 71 * 144 + 72, 72 * 144 + 71, 72 * 144 + 72}) {
        EXPECT_EQ(pixels[k], pixels[71 * 144 + 71]) << k;
        EXPECT_EQ(brightness(pixels[k]), brightest) << k;
    }
    EXPECT_EQ(psfColour(1), draw::rgb(252, 255, 164));
    EXPECT_EQ(pixels[0], psfColour(0));

    // The Airy circle about the peak, 3.417 um: 3.417 * 143 / 60 = 8.14,
    // 8 pixels about (311, 176), the chief ray's 310.5 and 175.5 rounded.
    const auto circles = withPen(dc, "ellipse", draw::rgb(0, 208, 255));
    ASSERT_EQ(circles.size(), 5u);  // four fields and the legend's
    EXPECT_EQ(circles[0].args, (Ints{303, 168, 320, 185}));
    EXPECT_EQ(std::lround(r.field(QualityField::center).airyRadius * 143 / 60), 8);

    // The MTF box, its contrast labels and the diffraction limit: contrast
    // 1 at frequency 0 is the box's top-left corner; it ends on the bottom
    // edge at the cutoff, the right edge.
    bool box = false;
    for (const DrawCall& c : dc.callsOf("rect")) box = box || c.args == Ints{466, 104, 823, 248};
    EXPECT_TRUE(box);
    const auto one = dc.textsEqual("1.0");
    ASSERT_GE(one.size(), 1u);
    EXPECT_EQ(one[0].args, (Ints{466 - 5 - 2 - 30, 104 - 11}));
    std::vector<DrawCall> limit;
    for (const DrawCall& c : withPen(dc, "line", kPlotBlack))
        if (c.args[0] >= 466 && c.args[2] > c.args[0] && c.args[1] <= c.args[3] && c.args[2] < 823)
            limit.push_back(c);
    ASSERT_GE(limit.size(), 128u);
    EXPECT_EQ(limit[0].args[0], 466);
    EXPECT_EQ(limit[0].args[1], 104);
    EXPECT_EQ(limit[127].args[2], 822);
    EXPECT_EQ(limit[127].args[3], 247);
    // The x labels run from 0 to 300 cycles/mm under the box.
    EXPECT_EQ(dc.textsEqual("300").size(), 4u);
}

// On the logarithmic scale the bar is labelled in decades, and a faint
// ring is brighter than on the linear one.
TEST(DiffractionView, LogarithmicScale) {
    EXPECT_EQ(psfScalePosition(1e-2, true), 0.5);
    EXPECT_EQ(psfScalePosition(1e-2, false), 1e-2);
    EXPECT_EQ(psfScalePosition(1e-6, true), 0);
    EXPECT_EQ(psfScalePosition(0, true), 0);
    const Design d = orvelin::testing::paraboloid();
    const DiffractionResult r = computeDiffraction(d, {64});
    RecordingDevice linear(800, 600), log(800, 600);
    drawDiffractionView(linear, {0, 0, 800, 600}, aberrationViewTitle(d), r, false);
    drawDiffractionView(log, {0, 0, 800, 600}, aberrationViewTitle(d), r, true);
    for (const char* label : {"1e-4", "1e-3", "0.01", "0.1", "1"})
        EXPECT_EQ(log.textsEqual(label).size(), 1u);
    EXPECT_EQ(linear.textsEqual("0.5").size(), log.textsEqual("0.5").size() + 1);  // the bar's middle
    EXPECT_EQ(log.textsEqual("PSF intensity, logarithmic: 4 decades below each field's peak (key I: linear)")
                  .size(),
              1u);
    const auto a = linear.callsOf("image")[0].pixels, b = log.callsOf("image")[0].pixels;
    ASSERT_EQ(a.size(), b.size());
    int brighter = 0;
    for (std::size_t k = 0; k < a.size(); ++k)
        brighter += b[k].r + b[k].g + b[k].b > a[k].r + a[k].g + a[k].b;
    EXPECT_GT(brighter, static_cast<int>(a.size()) / 2);
}

// A field that does not trace shows its status where its plots would be,
// and the others keep theirs; with no field traced there is no picture.
TEST(DiffractionView, FieldThatFailsShowsItsStatus) {
    const Design d = orvelin::testing::paraboloid(0.5);
    DiffractionResult r = computeDiffraction(d, {32});
    r.fields[static_cast<size_t>(QualityField::plus)] = FieldDiffraction{};
    r.fields[static_cast<size_t>(QualityField::plus)].status = traceMissStatus(1);
    RecordingDevice dc(800, 600);
    drawDiffractionView(dc, {0, 0, 800, 600}, aberrationViewTitle(d), r, false);
    EXPECT_EQ(dc.textsEqual("Light misses surface #1").size(), 1u);
    EXPECT_EQ(dc.textsEqual("plus").size(), 1u);
    EXPECT_EQ(dc.callsOf("image").size(), 4u);              // three fields and the scale
    EXPECT_EQ(dc.textsEqual("MTF (contrast)").size(), 1u);  // the column's title
    EXPECT_EQ(dc.textsEqual("1.0").size(), 6u);             // the MTF and energy plots of three fields

    const DiffractionResult none = computeDiffraction(orvelin::testing::flatMirror(100), {32});
    EXPECT_EQ(psfWindowHalfWidth(none), 0);
    RecordingDevice flat(800, 600);
    drawDiffractionView(flat, {0, 0, 800, 600}, aberrationViewTitle(d), none, true);
    EXPECT_EQ(flat.textsEqual("There is no focus").size(), 4u);
    EXPECT_EQ(flat.callsOf("image").size(), 1u);
}

// Every hostile design draws: a picture for each field that traced, its
// status for each that did not, and nothing outside the area.
TEST(DiffractionView, HostileDesignsDrawPicturesOrStatuses) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::string(ORVELIN_TEST_DATA) + "/hostile")) {
        Design d;
        loadDesign(d, entry.path().string());
        const DiffractionResult r = computeDiffraction(d, {32});
        RecordingDevice dc(640, 454);
        drawDiffractionView(dc, {0, 0, 640, 454}, aberrationViewTitle(d), r, true);
        std::size_t pictures = 1, statuses = 0;  // the colour scale's picture
        for (QualityField q : r.computed) {
            const FieldDiffraction& f = r.field(q);
            if (f.status == kTraceOk)
                ++pictures;
            else
                statuses += dc.textsEqual(traceProblemMessage(f.status)).empty() ? 0 : 1;
        }
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(dc.callsOf("image").size(), pictures) << name;
        EXPECT_EQ(statuses + pictures - 1, r.computed.size()) << name;
        for (const DrawCall& c : dc.callsOf("image")) {
            EXPECT_EQ(c.pixels.size(), static_cast<std::size_t>(c.args[2]) * c.args[3]) << name;
            EXPECT_TRUE(c.args[0] >= 0 && c.args[1] >= 0 && c.args[0] + c.args[2] <= 640 &&
                        c.args[1] + c.args[3] <= 454)
                << name;
        }
    }
}

// The cache computes once per design: the same result until the design
// changes, and a repaint draws the same calls.
TEST(DiffractionView, CacheKeepsTheResultUntilTheDesignChanges) {
    Design d = orvelin::testing::paraboloid(0.5);
    DiffractionViewCache cache;
    const DiffractionResult* first = &cache.result(d);
    const double strehl = first->field(QualityField::plus).strehl;
    EXPECT_EQ(&cache.result(d), first);
    RecordingDevice a(640, 454), b(640, 454);
    drawDiffractionViewOf(a, {0, 0, 640, 454}, d, cache, false);
    drawDiffractionViewOf(b, {0, 0, 640, 454}, d, cache, false);
    ASSERT_EQ(a.calls().size(), b.calls().size());
    for (std::size_t k = 0; k < a.calls().size(); ++k) EXPECT_EQ(a.calls()[k].str(), b.calls()[k].str());
    d.surfaces[1].separation = 499.9;
    recomputeSurface(d, 1);
    EXPECT_NE(cache.result(d).field(QualityField::plus).strehl, strehl);
}
