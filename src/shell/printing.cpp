#include "shell/printing.h"

#include <QMessageBox>

#include "shell/app_state.h"

namespace orvelin {

// Printing is being written; until it lands the two commands say so.
void printPage(QWidget* window, AppState&) {
    QMessageBox::information(window, QStringLiteral("Print Page"),
                             QStringLiteral("Printing is not available yet"));
}

void quickPrint(QWidget* window, AppState&) {
    QMessageBox::information(window, QStringLiteral("Quick Print"),
                             QStringLiteral("Printing is not available yet"));
}

}  // namespace orvelin
