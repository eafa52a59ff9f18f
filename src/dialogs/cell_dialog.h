// The single-value dialog: one cell of the design table, opened over the
// clicked cell as a small borderless popup.
#pragma once

#include "design/design.h"
#include "dialogs/dialog_base.h"

namespace orvelin {

class CellDialog : public ParameterDialog {
    Q_OBJECT
  public:
    /// Edits cell (row, column) of the design table; `mainWindow` is the
    /// window whose outer rectangle places the popup.
    CellDialog(Design& design, int row, int column, QWidget* mainWindow);

  protected:
    bool store() override;

  private:
    Design& design_;
    int row_;
    int column_;
    QLineEdit* value_ = nullptr;
    QString field_;
};

}  // namespace orvelin
