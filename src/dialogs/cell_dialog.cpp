#include "dialogs/cell_dialog.h"

#include <QLabel>
#include <QLineEdit>

#include "app/dialog_logic.h"
#include "dialogs/entry_tips.h"

namespace orvelin {

CellDialog::CellDialog(Design& design, int row, int column, QWidget* mainWindow)
    : ParameterDialog(mainWindow), design_(design), row_(row), column_(column) {
    setObjectName(QStringLiteral("EditDlgBox"));
    // A popup with a thin border and no title bar.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setStyleSheet(QStringLiteral("orvelin--CellDialog { border: 1px solid black; }"));
    const CellPrompt prompt = cellPrompt(design, row, column);
    field_ = QString::fromStdString(prompt.text);
    addLabel(field_, QStringLiteral("text21"), 0, 1, 80, 12)
        ->setToolTip(entryTip(cellEntry(design, row, column), design.units));
    value_ = addNumberBox(prompt.value, QStringLiteral("edit8"), 15, 11, 50, 12);
    addButtons(8, 26, 46, 26, 26, 12);
    // Over the clicked cell, 160 x 84 pixels.
    QRect outer = mainWindow ? mainWindow->frameGeometry() : QRect(0, 0, 640, 454);
    const ScreenPoint at = cellDialogPosition(design, row, column, outer.left(), outer.top(),
                                              outer.right() + 1, outer.bottom() + 1);
    setGeometry(at.x, at.y, 160, 84);
    // 160 x 84 pixels, wider only when a long prompt would be cut.
    fitDialogToTexts(this, QSize(160, 84), false);
}

bool CellDialog::store() {
    double value = 0;
    if (!readNumber(value_, field_, &value)) return false;
    applyCellValue(design_, row_, column_, value);
    return true;
}

}  // namespace orvelin
