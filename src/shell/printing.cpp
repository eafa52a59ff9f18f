#include "shell/printing.h"

#include <QMessageBox>
#include <QWidget>

#include "app/app_state.h"
#include "app/view_painters.h"
#include "platform/qt/printing.h"
#include "reports/quick_print.h"
#include "shell/print_dialogs.h"

namespace orvelin {

namespace {

void showMessage(QWidget* parent, const std::string& text) {
    QMessageBox::warning(parent, QStringLiteral("Orvelin"), QString::fromStdString(text));
}

PrintRecords recordsOf(AppState& s) {
    return {s.design, s.trace, s.analysis(), s.frame, s.random};
}

}  // namespace

std::optional<PrintJobResult> printPageInteractive(QWidget* mainWindow, PrintRecords& records, int viewState,
                                                   const ViewInputs& inputs) {
    const std::optional<qt::PrintTarget> target = runPrintDialog(mainWindow);
    if (!target) return std::nullopt;
    if (mainWindow) mainWindow->setEnabled(false);
    PrintJobResult result;
    {
        PrintProgressDialog progress(mainWindow);
        qt::QtPrintDocument doc(*target);
        result = printViewPage(doc, viewState, inputs, records, progress, localTimeNow());
    }
    if (mainWindow) mainWindow->setEnabled(true);
    if (result.failed()) showMessage(mainWindow, result.message);
    return result;
}

PrintJobResult quickPrintInteractive(QWidget* mainWindow, PrintRecords& records) {
    PrintJobResult result;
    const std::optional<PrinterProfile> profile = parsePrinterProfile(qt::defaultPrinterProfile());
    if (!profile) {
        result.status = PrintStatus::startFailed;
        result.message = noDefaultPrinterMessage();
        showMessage(mainWindow, result.message);
        return result;
    }
    const QString name = QString::fromStdString(profile->device);
    std::string why;
    if (!qt::printerExists(name, &why)) {
        result.status = PrintStatus::startFailed;
        result.message = printerNotOpenedMessage(profile->device) + "\n" + why;
        showMessage(mainWindow, result.message);
        return result;
    }
    qt::PrintTarget target;
    target.printerName = name;
    qt::QtPrintDocument doc(target);
    result = runQuickPrintJob(doc, records, localTimeNow());
    if (result.failed()) showMessage(mainWindow, result.message);
    return result;
}

void printPage(QWidget* window, AppState& state) {
    PrintRecords records = recordsOf(state);
    // A print dialog closed without printing leaves the last job's state.
    const std::optional<PrintJobResult> result =
        printPageInteractive(window, records, state.viewState, state.viewInputs());
    if (result) state.print.printAborted = result->printAborted;
}

void quickPrint(QWidget* window, AppState& state) {
    PrintRecords records = recordsOf(state);
    quickPrintInteractive(window, records);
}

}  // namespace orvelin
