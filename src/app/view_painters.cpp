#include "app/view_painters.h"

#include <algorithm>

#include "aberrations/aberration_views.h"
#include "app/command_ids.h"
#include "app/evaluation.h"
#include "clearance/clearance_view.h"
#include "diffraction/diffraction_view.h"
#include "plots/printed_plots.h"
#include "quality/quality_view.h"
#include "reports/design_view.h"
#include "reports/screen_report.h"
#include "tolerance/tolerance_view.h"

namespace orvelin {

namespace {

draw::Rect clientOf(const draw::Device& dc) {
    return {0, 0, dc.size().width, dc.size().height};
}

}  // namespace

bool paintView(draw::Device& dc, int view, const ViewInputs& in) {
    const ViewEntry* entry = viewEntry(view);
    if (!entry || !entry->paint) return false;
    entry->paint(dc, in);
    return true;
}

PageBody viewPageBody(int view, const ViewInputs& in, PrintRecords& records, PrintProgress& progress) {
    const ViewEntry* entry = viewEntry(view);
    if (!entry || !entry->print) return {};
    const PagePainter print = entry->print;
    return [print, &in, &records, &progress](draw::Device& dc, int top) { print(dc, top, in, records, progress); };
}

PrintJobResult printViewPage(PrintDocument& doc, int view, const ViewInputs& in, PrintRecords& records,
                             PrintProgress& progress, const std::tm& now) {
    return runPrintPageJob(doc, in.design, viewPageBody(view, in, records, progress), progress, now);
}

// ---------------------------------------------------------------------------
// The screen.

void paintWelcomeView(draw::Device& dc, const ViewInputs& in) {
    PaintViewPage(dc, kViewWelcome, in.design, AnalysisResults{});
}

void paintDesignView(draw::Device& dc, const ViewInputs& in) {
    drawDesignView(dc, in.design, in.evaluation.analysis(in.design));
}

void paintReportView(draw::Device& dc, const ViewInputs& in) {
    PaintViewPage(dc, kViewTraceReport, in.design, in.evaluation.analysis(in.design).results);
}

void paintClearanceView(draw::Device& dc, const ViewInputs& in) {
    paintClearanceView(dc, in.design, {}, in.evaluation.clearance(in.design));
}

void paintQualityView(draw::Device& dc, const ViewInputs& in) {
    drawQualityView(dc, clientOf(dc), in.evaluation.quality(in.design));
}

template <int View>
void paintAberrationView(draw::Device& dc, const ViewInputs& in) {
    drawAberrationView(dc, clientOf(dc), View, in.design, in.evaluation.aberrations());
}
template void paintAberrationView<kViewFans>(draw::Device&, const ViewInputs&);
template void paintAberrationView<kViewFieldCurves>(draw::Device&, const ViewInputs&);
template void paintAberrationView<kViewFieldMap>(draw::Device&, const ViewInputs&);
template void paintAberrationView<kViewThroughFocus>(draw::Device&, const ViewInputs&);

void paintDiffractionView(draw::Device& dc, const ViewInputs& in) {
    drawDiffractionViewOf(dc, clientOf(dc), in.design, in.evaluation.diffraction(), in.diffractionLog);
}

void paintToleranceView(draw::Device& dc, const ViewInputs& in) {
    drawToleranceView(dc, clientOf(dc), in.design, in.tolerances);
}

// ---------------------------------------------------------------------------
// Paper.  W is the printable width; every page is laid out from it.

void printReportPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    drawTraceReportPage(dc, in.design, in.evaluation.analysis(in.design).results, top);
}

void printDesignPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    drawDesignPage(dc, in.design, in.evaluation.analysis(in.design).geometry, top);
}

template <int View>
void printPlotPage(draw::Device& dc, int top, const ViewInputs&, PrintRecords& r, PrintProgress& progress) {
    // The plot traces again at the page's scale, with the screen's records;
    // its dots never reach the header.
    setPageFrame(r.frame, dc.screenSize().width, dc.screenSize().height, top);
    progress.show();
    PrintedPlot plot{r.design, r.trace,  r.frame,
                     r.random, dc,       progress,
                     View,     draw::Rect{kUnclipped.left, top, kUnclipped.right, kUnclipped.bottom}};
    printPlotForView(plot);
}
template void printPlotPage<kViewStandardPlot>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                               PrintProgress&);
template void printPlotPage<kViewUniformAiry>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                              PrintProgress&);
template void printPlotPage<kViewUniformBlur>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                              PrintProgress&);
template void printPlotPage<kViewAiryOverlay>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                              PrintProgress&);

void printClearancePage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    // The clearance view across the page, as wide as three quarters tall.
    const int W = dc.screenSize().width;
    printClearanceView(dc, in.design, ClearanceOptions{}, in.evaluation.clearance(in.design),
                       {0, top, W, top + W * 3 / 4}, std::max(1, W / 640));
}

void printQualityPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    drawQualityView(dc, draw::Rect{0, top, dc.screenSize().width, dc.screenSize().height},
                    in.evaluation.quality(in.design));
}

template <int View>
void printAberrationPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    // The plot across the page, as tall as three quarters of its width.
    const int W = dc.screenSize().width;
    drawAberrationView(dc, draw::Rect{0, top, W, std::min(dc.screenSize().height, top + W * 3 / 4)}, View,
                       in.design, in.evaluation.aberrations());
}
template void printAberrationPage<kViewFans>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                             PrintProgress&);
template void printAberrationPage<kViewFieldCurves>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                                    PrintProgress&);
template void printAberrationPage<kViewFieldMap>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                                 PrintProgress&);
template void printAberrationPage<kViewThroughFocus>(draw::Device&, int, const ViewInputs&, PrintRecords&,
                                                     PrintProgress&);

void printDiffractionPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    // Across the page and as tall as it is wide where the page allows: four
    // rows of pictures want the height.
    const int W = dc.screenSize().width;
    drawDiffractionViewOf(dc, draw::Rect{0, top, W, std::min(dc.screenSize().height, top + W)}, in.design,
                          in.evaluation.diffraction(), in.diffractionLog);
}

void printTolerancePage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords&, PrintProgress&) {
    // The view across the page, as tall as its width.
    const int W = dc.screenSize().width;
    drawToleranceView(dc, draw::Rect{0, top, W, std::min(dc.screenSize().height, top + W)}, in.design,
                      in.tolerances);
}

}  // namespace orvelin
