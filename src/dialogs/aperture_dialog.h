// The aperture-and-field dialog.
#pragma once

#include "design/design.h"
#include "dialogs/dialog_base.h"

namespace orvelin {

class ApertureDialog : public ParameterDialog {
    Q_OBJECT
  public:
    ApertureDialog(Design& design, QWidget* parent);

  protected:
    bool store() override;

  private:
    Design& design_;
    QLineEdit* aperture_ = nullptr;
    QLineEdit* field_ = nullptr;
};

}  // namespace orvelin
