// The surface dialog (all values of one mirror) and, for the last surface,
// the focal-plane dialog.
#pragma once

#include "design/design.h"
#include "dialogs/dialog_base.h"

namespace orvelin {

class SurfaceDialog : public ParameterDialog {
    Q_OBJECT
  public:
    /// Edits surface k of `design`: a mirror for k < n, the focal plane for
    /// k = n.  The design is written only when OK is accepted.
    SurfaceDialog(Design& design, int k, QWidget* parent);

    bool isFocalPlane() const { return focalPlane_; }
    /// The kind the surface will have on OK (the toroid box's choice).
    int pendingKind() const { return kind_; }

  protected:
    bool store() override;

  private slots:
    void toggleToroid();

  private:
    void showKind(bool toroid);

    Design& design_;
    int k_;
    bool focalPlane_;
    int kind_;
    QLabel* radiusLabel_ = nullptr;
    QLabel* secondLabel_ = nullptr;
    QLineEdit* radius_ = nullptr;
    QLineEdit* second_ = nullptr;
    QLineEdit* tilt_ = nullptr;
    QLineEdit* separation_ = nullptr;
    QCheckBox* toroid_ = nullptr;
};

}  // namespace orvelin
