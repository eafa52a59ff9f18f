// The New Design dialog: the mirror count of a new design.
#pragma once

#include "dialogs/dialog_base.h"

class QListWidget;

namespace orvelin {

class NewDialog : public ParameterDialog {
    Q_OBJECT
  public:
    explicit NewDialog(QWidget* parent);

    /// The accepted mirror count (valid after the dialog ended with 1).
    int mirrors() const { return mirrors_; }

  protected:
    bool store() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLineEdit* count_ = nullptr;
    QListWidget* list_ = nullptr;
    int mirrors_ = 0;
};

}  // namespace orvelin
