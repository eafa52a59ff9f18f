// Drawing a view by its number, through the view table's painters: on the
// window's client area, or on a page under Print Page's header.  The window,
// the command line's render and print and the tests all draw this way, so a
// view looks the same wherever it is drawn.
#pragma once

#include <ctime>

#include "app/view_table.h"
#include "reports/print_page.h"

namespace orvelin {

/// Draw the view into the device's client area with its screen painter.
/// False (nothing drawn) for a view without one: a spot plot, which the
/// window copies from its plot buffer, or a number no view has.
bool paintView(draw::Device& dc, int view, const ViewInputs& in);

/// The body of the view's printed page (none for a view without a page
/// painter: the header alone).  The plot pages show the progress dialog
/// and trace with the records.
PageBody viewPageBody(int view, const ViewInputs& in, PrintRecords& records, PrintProgress& progress);

/// A Print Page job of the view (runPrintPageJob with the view's body).
PrintJobResult printViewPage(PrintDocument& doc, int view, const ViewInputs& in, PrintRecords& records,
                             PrintProgress& progress, const std::tm& now);

// The painters the table names, one pair per kind of view.
void paintWelcomeView(draw::Device& dc, const ViewInputs& in);
void paintDesignView(draw::Device& dc, const ViewInputs& in);
void paintReportView(draw::Device& dc, const ViewInputs& in);
void paintClearanceView(draw::Device& dc, const ViewInputs& in);
void paintQualityView(draw::Device& dc, const ViewInputs& in);
/// The ray fans, field curves, field map or spots through focus.
template <int View>
void paintAberrationView(draw::Device& dc, const ViewInputs& in);
void paintDiffractionView(draw::Device& dc, const ViewInputs& in);
void paintToleranceView(draw::Device& dc, const ViewInputs& in);

void printReportPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r, PrintProgress& progress);
void printDesignPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r, PrintProgress& progress);
/// A spot plot (the overlay's page adds the Airy circle).
template <int View>
void printPlotPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r, PrintProgress& progress);
void printClearancePage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r,
                        PrintProgress& progress);
void printQualityPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r, PrintProgress& progress);
template <int View>
void printAberrationPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r,
                         PrintProgress& progress);
void printDiffractionPage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r,
                          PrintProgress& progress);
void printTolerancePage(draw::Device& dc, int top, const ViewInputs& in, PrintRecords& r,
                        PrintProgress& progress);

}  // namespace orvelin
