// The tolerance view through the recording device: a hand-made result whose
// histogram bins, bars and threshold fall on whole pixels, the table's rows
// in the result's order with the critical ones in red, and the notes for a
// missing result and a table too long for its room.
#include "tolerance/tolerance_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "aberrations/plot_axes.h"
#include "design/design_file.h"
#include "platform/recording_device.h"

using namespace orvelin;
using draw::DrawCall;
using draw::RecordingDevice;

namespace {

CompensatedValue traced(double value, double focus) {
    return CompensatedValue{true, value, {focus}};
}

SensitivityRow row(ToleranceKind kind, int mirror, double span, CompensatedValue minus, CompensatedValue plus,
                   double damage) {
    SensitivityRow r;
    r.tolerance.kind = kind;
    r.tolerance.mirror = mirror;
    r.tolerance.amount = span;
    r.span = span;
    r.minus = minus;
    r.plus = plus;
    r.damage = damage;
    return r;
}

/// Strehl ratios judged against 0.8, refocused by sep:2: a conic whose plus
/// end misses a mirror, a tilt that costs 0.25, a spacing that costs 0.02;
/// six trials, one of them failed.
ToleranceResult handMade() {
    ToleranceResult r;
    r.options.threshold = 0.8;
    r.options.trials = 6;
    r.compensatorNames = {"sep:2"};
    r.designCompensators = {100};
    r.nominal = traced(0.95, 100.5);
    r.sensitivity = {row(ToleranceKind::conic, 1, 0.02, traced(0.94, 100.5), CompensatedValue{}, INFINITY),
                     row(ToleranceKind::tilt, 2, 0.05, traced(0.70, 100.2), traced(0.90, 100.9), 0.25),
                     row(ToleranceKind::sep, 1, 0.2, traced(0.93, 100.4), traced(0.94, 100.6), 0.02)};
    MonteCarloResult m;
    m.trials = 6;
    m.failed = 1;
    m.values = {0.5, 0.6, 0.6, 0.7, 0.9, std::nullopt};
    m.mean = 0.66, m.std = 0.15, m.p50 = 0.6, m.p90 = NAN, m.p98 = NAN;
    m.yield = 1.0 / 6;
    r.montecarlo = m;
    return r;
}

std::vector<DrawCall> textsAt(const RecordingDevice& dc, int x) {
    std::vector<DrawCall> out;
    for (const DrawCall& c : dc.callsOf("text"))
        if (c.args[0] == x) out.push_back(c);
    return out;
}

}  // namespace

// Five traced values, the nominal 0.95 and the threshold 0.8 span 0.5..0.95:
// five bins of 0.09, moved down so that 0.8 is an edge, make six from 0.44.
// In 618 x 368 the plot box is 51..412 by 27..328, 60 pixels a bin and 150
// a trial.
TEST(ToleranceView, HistogramBarsAndThreshold) {
    const ToleranceResult r = handMade();
    const ToleranceHistogram h = toleranceHistogram(r);
    EXPECT_EQ(h.counts, (std::vector<int>{1, 2, 1, 0, 0, 1}));
    EXPECT_EQ(h.largest, 2);
    EXPECT_NEAR(h.low, 0.44, 1e-12);
    EXPECT_NEAR(h.high, 0.98, 1e-12);
    EXPECT_EQ(toleranceHistogramBox({0, 0, 618, 368}, 11), (draw::Rect{51, 27, 412, 328}));

    RecordingDevice dc(618, 368);
    drawToleranceHistogram(dc, {0, 0, 618, 368}, r);
    std::vector<DrawCall> bars;
    for (const DrawCall& c : dc.callsOf("rect"))
        if (c.fill.solid) bars.push_back(c);
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_EQ(bars[0].args, (std::vector<int>{51, 177, 112, 328}));
    EXPECT_EQ(bars[1].args, (std::vector<int>{111, 27, 172, 328}));  // two trials: the top
    EXPECT_EQ(bars[2].args, (std::vector<int>{171, 177, 232, 328}));
    EXPECT_EQ(bars[3].args, (std::vector<int>{351, 177, 412, 328}));
    for (int i : {0, 1, 2}) EXPECT_EQ(bars[i].fill.colour, kToleranceBarMissed);
    EXPECT_EQ(bars[3].fill.colour, kToleranceBarMet);

    // The threshold's dashed line two thirds across (0.36 of 0.54), the
    // nominal's dotted one at 0.51 of 0.54.
    std::vector<DrawCall> marks;
    for (const DrawCall& c : dc.callsOf("line"))
        if (c.pen.style != draw::LineStyle::solid) marks.push_back(c);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].args, (std::vector<int>{291, 27, 291, 328}));
    EXPECT_EQ(marks[0].pen.colour, kToleranceThreshold);
    EXPECT_EQ(marks[1].args, (std::vector<int>{391, 27, 391, 328}));
    EXPECT_EQ(dc.textsEqual("threshold 0.8000").size(), 1u);
    EXPECT_EQ(dc.textsEqual("failed (no image): 1").size(), 1u);
    EXPECT_EQ(dc.textsEqual("yield 16.7 %").size(), 1u);
    EXPECT_EQ(dc.textsEqual("90 % at least -").size(), 1u);  // among the failed trials

    // Without a Monte-Carlo run, a note and no plot.
    ToleranceResult sensitivityOnly = r;
    sensitivityOnly.montecarlo.reset();
    RecordingDevice none(618, 368);
    drawToleranceHistogram(none, {0, 0, 618, 368}, sensitivityOnly);
    EXPECT_TRUE(none.callsOf("rect").empty());
    EXPECT_EQ(none.callsOf("text").size(), 1u);
}

// The rows in the result's order, one line (11 pixels) apart below the
// headings, the numbers right-aligned on one edge; the rows that fail or
// miss the threshold in red.
TEST(ToleranceView, TableRowsInOrder) {
    const ToleranceResult r = handMade();
    Design d;
    d.designTitle = "test";
    RecordingDevice dc(618, 500);
    drawToleranceView(dc, {0, 0, 618, 500}, d, &r);
    EXPECT_EQ(dc.textsEqual("Tolerances: test").size(), 1u);
    EXPECT_EQ(dc.textsEqual("Criterion worst.strehl, refocused for focus: nominal 0.9500; sep:2 100.5000 "
                            "(design 100.0000)")
                  .size(),
              1u);
    const std::vector<DrawCall> first = textsAt(dc, 7);
    ASSERT_GE(first.size(), 7u);
    const std::vector<std::string> names{"Tolerance", "conic:1", "tilt:2", "sep:1"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(first[3 + i].text, names[i]);
        EXPECT_EQ(first[3 + i].args[1], i == 0 ? 45 : 58 + 11 * (i - 1));
    }
    EXPECT_EQ(first[4].colour, kToleranceCritical);  // an end misses a mirror
    EXPECT_EQ(first[5].colour, kToleranceCritical);  // 0.70 misses 0.8
    EXPECT_EQ(first[6].colour, kPlotBlack);
    const std::vector<ToleranceTableRow> rows = toleranceTable(r, "mm");
    EXPECT_EQ(rows[0].change, "failed");
    EXPECT_EQ(rows[0].plus, "failed");
    EXPECT_EQ(rows[1].band,
              "\xB1"
              "0.05\xB0");
    EXPECT_EQ(rows[1].change, "-0.2500");
    EXPECT_EQ(rows[1].refocus, (std::vector<std::string>{"-0.3000 / +0.4000"}));
    EXPECT_EQ(rows[2].band,
              "\xB1"
              "0.2 mm");
    EXPECT_EQ(rows[2].refocus, (std::vector<std::string>{"-0.1000 / +0.1000"}));
    // "At -" stands right-aligned: its cells end where its heading does.
    const DrawCall heading = dc.textsEqual("At -")[0];
    const DrawCall cell = dc.textsEqual("0.7000")[0];
    EXPECT_EQ(heading.args[0] + 5 * 4, cell.args[0] + 5 * 6);
    EXPECT_EQ(cell.args[1], 69);

    // A short view: one row, then how many are left out.
    RecordingDevice shortView(618, 205);
    drawToleranceView(shortView, {0, 0, 618, 205}, d, &r);
    EXPECT_EQ(shortView.textsEqual("conic:1").size(), 1u);
    EXPECT_TRUE(shortView.textsEqual("tilt:2").empty());
    EXPECT_EQ(shortView.textsEqual("... and 2 more, each less damaging").size(), 1u);

    // No result (none run, or the design changed since): how to run one.
    RecordingDevice empty(618, 500);
    drawToleranceView(empty, {0, 0, 618, 500}, d, nullptr);
    EXPECT_EQ(
        empty.textsEqual("No tolerance analysis of this design: Tools > Tolerances... runs one.").size(), 1u);
}

// The command line's view runs the default set on the example: its eight
// values, refocused, against 0.8, with the stated trials and seed.
TEST(ToleranceView, DefaultRunOfTheView) {
    Design d;
    ASSERT_TRUE(loadDesign(d, std::string(ORVELIN_EXAMPLES) + "/schiefspiegler.ov").accepted());
    const ToleranceOptions o = viewToleranceOptions(d);
    EXPECT_EQ(o.tolerances.size(), 8u);
    EXPECT_EQ(o.compensation, Compensation::focus);
    EXPECT_EQ(o.criterion.name, "worst.strehl");
    EXPECT_EQ(o.threshold, 0.8);
    EXPECT_EQ(o.trials, 500);
    EXPECT_EQ(o.seed, 1u);
    EXPECT_EQ(criterionText(o.criterion, 0.80286), "0.8029");
    std::string error;
    EXPECT_EQ(criterionUnit(*parseCriterion("quality.plus.rmsSpot", error)), " um");
    const Criterion wavefront = *parseCriterion("worst.rmsWavefront", error);
    EXPECT_EQ(criterionText(wavefront, 0.0123456), "0.01235");
    EXPECT_EQ(criterionUnit(wavefront), " waves");
}
