#include "shell/printing.h"

#include "platform/qt/printing.h"
#include "shell/app_state.h"

namespace orvelin {

namespace {

PrintRecords recordsOf(AppState& s) {
    return PrintRecords{s.design, s.trace, s.results, s.geometry, s.frame, s.random};
}

}  // namespace

void printPage(QWidget* window, AppState& state) {
    PrintRecords records = recordsOf(state);
    // A print dialog closed without printing leaves the last job's state.
    const std::optional<PrintJobResult> result = qt::printPageInteractive(window, records, state.viewState);
    if (result) state.print.printAborted = result->printAborted;
}

void quickPrint(QWidget* window, AppState& state) {
    PrintRecords records = recordsOf(state);
    qt::quickPrintInteractive(window, records);
}

}  // namespace orvelin
