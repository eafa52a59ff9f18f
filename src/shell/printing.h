// Print Page and Quick Print, as the window's menu reaches them: the print
// dialog, the progress dialog and the message boxes around the printing jobs
// of the core, with the records of the window's state.
#pragma once

#include <optional>

#include "app/view_table.h"
#include "reports/print_page.h"

class QWidget;

namespace orvelin {

struct AppState;

/// "&Print Page...": the print dialog, then the page of the view with the
/// main window disabled and the progress dialog ready; a failure is shown in
/// a message box.  Returns the job's result, or nothing when the print
/// dialog was cancelled and no job ran.
std::optional<PrintJobResult> printPageInteractive(QWidget* mainWindow, PrintRecords& records, int viewState,
                                                   const ViewInputs& inputs);

/// "&Quick Print": the summary page on the default printer; no default
/// printer, a printer that cannot be opened, or a failed job is shown in a
/// message box.
PrintJobResult quickPrintInteractive(QWidget* mainWindow, PrintRecords& records);

/// The two commands on the window's state.
void printPage(QWidget* window, AppState& state);
void quickPrint(QWidget* window, AppState& state);

}  // namespace orvelin
