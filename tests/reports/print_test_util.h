// Analysed designs, a scripted progress dialog and a fixed clock for the
// printing tests.
#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "app/evaluation.h"
#include "app/view_painters.h"
#include "platform/recording_device.h"
#include "plots/plot_frame.h"
#include "plots/printed_plots.h"
#include "plots/random.h"
#include "reports/print_page.h"
#include "support/test_designs.h"
#include "trace/analysis.h"
#include "trace/ray_trace.h"

namespace orvelin::printtest {

using namespace orvelin::testing;

/// Everything a page needs: the design analysed as the program keeps it,
/// and the plots' records.
struct Records {
    Design design;
    TraceState trace;
    Evaluation evaluation;
    PlotFrame frame;
    RandomSource random;
    const DesignAnalysis& analysis = evaluation.analysis(design);
    const AnalysisResults& results = analysis.results;
    const LayoutGeometry& geometry = analysis.geometry;
    PrintRecords print{design, trace, analysis, frame, random};
    bool analysed = analysis.traced();
    bool diffractionLog = false;
    const ToleranceResult* tolerances = nullptr;

    explicit Records(Design d) : design(std::move(d)) { trace.status = analysis.status; }

    ViewInputs inputs() const { return {design, evaluation, diffractionLog, tolerances}; }
    /// A Print Page job of the view.
    PrintJobResult printPage(PrintDocument& doc, int view, PrintProgress& progress, const std::tm& now) {
        return printViewPage(doc, view, inputs(), print, progress, now);
    }
    /// The page of the view, drawn on a device.
    void drawPage(draw::Device& dc, int view, PrintProgress& progress, const std::tm& now) {
        const ViewInputs in = inputs();
        drawPrintPage(dc, design, viewPageBody(view, in, print, progress), now);
    }
};

/// A progress dialog that records its texts and pumps, and cancels during a
/// chosen pump (1-based; -1 never).
struct ScriptedProgress : PrintProgress {
    int cancelAtPump = -1, pumps = 0, shown = 0;
    bool cancelled = false;
    std::vector<std::string> texts;
    const draw::RecordingDevice* watched = nullptr;  ///< its call count is noted at Cancel
    std::size_t callsAtCancel = 0;

    void show() override { ++shown; }
    void setText(std::string_view t) override { texts.emplace_back(t); }
    void pump() override {
        if (++pumps != cancelAtPump) return;
        cancelled = true;
        if (watched) callsAtCancel = watched->calls().size();
    }
    bool aborted() const override { return cancelled; }
};

/// Tuesday 4 March 2025, hour:05:09 local time.
inline std::tm fixedTime(int hour = 13) {
    std::tm t{};
    t.tm_year = 125, t.tm_mon = 2, t.tm_mday = 4, t.tm_wday = 2;
    t.tm_hour = hour, t.tm_min = 5, t.tm_sec = 9;
    return t;
}

/// The printed face at a height: the sans face, normal weight.
inline draw::Font printFont(int height) {
    return draw::Font::scaled(height, 400, draw::FontFace::sans);
}

}  // namespace orvelin::printtest
