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
    state.print.printAborted = 0;
    const PrintJobResult result = qt::printPageInteractive(window, records, state.viewState);
    state.print.printAborted = result.printAborted;
}

void quickPrint(QWidget* window, AppState& state) {
    PrintRecords records = recordsOf(state);
    qt::quickPrintInteractive(window, records);
}

}  // namespace orvelin
