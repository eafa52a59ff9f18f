#include "dialogs/surface_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "app/dialog_logic.h"
#include "app/entry.h"
#include "dialogs/entry_tips.h"

namespace orvelin {

SurfaceDialog::SurfaceDialog(Design& design, int k, QWidget* parent)
    : ParameterDialog(parent),
      design_(design),
      k_(k),
      focalPlane_(k == design.surfaceCount),
      kind_(design.surfaces[k].kind) {
    if (focalPlane_) {
        setObjectName(QStringLiteral("FocusDlgBox"));
        setWindowTitle(QStringLiteral("Edit focal plane parameters (optional)"));
    } else {
        setObjectName(QStringLiteral("SurfaceDlgBox"));
        setWindowTitle(QStringLiteral("Edit Surface #%1 parameters").arg(k));
    }
    radiusLabel_ = addLabel(QStringLiteral("Radius"), QStringLiteral("label15"), 6, 4, 50, 12);
    secondLabel_ = addLabel(QStringLiteral("Conic Constant"), QStringLiteral("label16"), 60, 4, 50, 12);
    addLabel(QStringLiteral("Tilt"), QStringLiteral("label17"), 114, 4, 50, 12)
        ->setToolTip(entryTip(EntryKind::tilt, design.units));
    radius_ = addNumberBox(design.surfaces[k].radius, QStringLiteral("edit10"), 6, 16, 50, 12);
    second_ = addNumberBox(0, QStringLiteral("edit11"), 60, 16, 50, 12);
    tilt_ = addNumberBox(design.surfaces[k].tilt, QStringLiteral("edit12"), 114, 16, 50, 12);
    if (focalPlane_) {
        toroid_ = addCheck(QStringLiteral("Check if toroid"), QStringLiteral("toroid14"), 6, 30, 60, 12);
        // Shown for the look of the dialog only: the focal plane is curved
        // with the "Z" key, and the box never takes a tick, which would
        // promise a curve that OK does not make.
        addCheck(QStringLiteral("Focus to best fit curve"), QStringLiteral("bestFit22"), 6, 42, 82, 12)
            ->setCheckable(false);
        addButtons(98, 35, 134, 35, 30, 14);
    } else {
        const bool lastMirror = k == design.surfaceCount - 1;
        addLabel(lastMirror ? QStringLiteral("b.f.l. (optional)") : QStringLiteral("Separation"),
                 QStringLiteral("label18"), 168, 4, 50, 12)
            ->setToolTip(entryTip(lastMirror ? EntryKind::backFocus : EntryKind::separation, design.units));
        separation_ = addNumberBox(design.surfaces[k].separation, QStringLiteral("edit13"), 168, 16, 50, 12);
        toroid_ = addCheck(QStringLiteral("Check if toroid"), QStringLiteral("toroid14"), 6, 36, 60, 12);
        addButtons(152, 35, 188, 35, 30, 14);
    }
    // Sized while the labels read "Radius" and "Conic Constant", longer
    // than a toroid's "Rtan" and "Rsag", so that ticking the box cuts none.
    fitDialogToTexts(this, focalPlane_ ? units().size(170, 56) : units().size(224, 56), true);
    // Only a toroid opens ticked; a "duplicate" kind from a file opens as a
    // conic would.
    showKind(kind_ == kToroid);
    connect(toroid_, &QCheckBox::clicked, this, &SurfaceDialog::toggleToroid);
}

void SurfaceDialog::showKind(bool toroid) {
    toroid_->setChecked(toroid);
    radiusLabel_->setText(toroid ? QStringLiteral("Rtan") : QStringLiteral("Radius"));
    secondLabel_->setText(toroid ? QStringLiteral("Rsag") : QStringLiteral("Conic Constant"));
    radiusLabel_->setToolTip(
        entryTip(toroid ? EntryKind::tangentialRadius : EntryKind::radius, design_.units));
    secondLabel_->setToolTip(entryTip(toroid ? EntryKind::sagittalRadius : EntryKind::conic, design_.units));
    second_->setText(QString::fromStdString(formatValue(secondValueShown(design_, k_, toroid))));
    second_->setCursorPosition(0);
}

void SurfaceDialog::toggleToroid() {
    // The box has flipped itself; what was typed into the second box is
    // replaced by the stored value that belongs to the new label.
    const bool nowToroid = toroid_->isChecked();
    kind_ = nowToroid ? kToroid : kConic;
    showKind(nowToroid);
}

bool SurfaceDialog::store() {
    SurfaceEntry e;
    e.kind = kind_;
    if (!readNumber(radius_, radiusLabel_->text(), &e.radius)) return false;
    if (!readNumber(second_, secondLabel_->text(), &e.second)) return false;
    if (!readNumber(tilt_, QStringLiteral("Tilt"), &e.tilt)) return false;
    if (separation_ && !readNumber(separation_, QStringLiteral("Separation"), &e.separation)) return false;
    applySurfaceEntry(design_, k_, e);
    return true;
}

}  // namespace orvelin
