#include "dialogs/aperture_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <cmath>

#include "app/dialog_logic.h"
#include "dialogs/entry_tips.h"

namespace orvelin {

ApertureDialog::ApertureDialog(Design& design, QWidget* parent) : ParameterDialog(parent), design_(design) {
    setObjectName(QStringLiteral("ApertureDlgBox"));
    setWindowTitle(QStringLiteral("Edit aperture and field semi-angle"));
    // Before New has chosen the units (a design of zeros), the aperture's
    // tooltip gives the rule that will.
    const std::string unitWord = design.aperture == 0 ? std::string() : design.units;
    addLabel(QStringLiteral("Aperture"), QStringLiteral("labelAperture"), 6, 4, 50, 12)
        ->setToolTip(entryTip(EntryKind::aperture, unitWord));
    addLabel(QStringLiteral("Field semi-angle"), QStringLiteral("labelField"), 66, 4, 60, 12)
        ->setToolTip(entryTip(EntryKind::fieldSemiAngle, unitWord));
    aperture_ = addNumberBox(design.aperture, QStringLiteral("edit19"), 6, 16, 50, 12);
    field_ = addNumberBox(design.fieldSemiAngle, QStringLiteral("edit20"), 74, 16, 50, 12);
    addButtons(58, 35, 94, 35, 30, 14);
    fitDialogToTexts(this, units().size(130, 56), true);
}

bool ApertureDialog::store() {
    double aperture = 0;
    double field = 0;
    if (!readNumber(aperture_, QStringLiteral("Aperture"), &aperture)) return false;
    if (!readNumber(field_, QStringLiteral("Field semi-angle"), &field)) return false;
    // The file holds the full field angle: a semi-angle whose double does
    // not exist could be shown but never saved and read back.
    if (!std::isfinite(2 * field)) {
        showError(QStringLiteral("Field semi-angle: \"%1\" is too large.").arg(field_->text()));
        field_->setFocus();
        field_->selectAll();
        return false;
    }
    applyApertureField(design_, aperture, field);
    return true;
}

}  // namespace orvelin
