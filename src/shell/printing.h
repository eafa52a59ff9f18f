// Print Page and Quick Print, as the window's menu reaches them: the
// records of the window's state handed to the printing jobs.
#pragma once

class QWidget;

namespace orvelin {

struct AppState;

/// "&Print Page...": the current view on a chosen printer.
void printPage(QWidget* window, AppState& state);
/// "&Quick Print": the one-page summary on the default printer.
void quickPrint(QWidget* window, AppState& state);

}  // namespace orvelin
