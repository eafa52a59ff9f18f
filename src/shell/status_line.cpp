#include "shell/status_line.h"

#include <QLabel>
#include <QStatusBar>
#include <cmath>

#include "app/view_table.h"

namespace orvelin {

namespace {

QString unitWord(const Design& d) {
    return QString::fromLatin1(unitsWord(d));
}

QLabel* field(QStatusBar* bar, const char* name, const QString& tip) {
    auto* label = new QLabel(bar);
    label->setObjectName(QString::fromLatin1(name));
    label->setToolTip(tip);
    bar->addPermanentWidget(label);
    return label;
}

}  // namespace

QString viewName(int viewState) {
    const ViewEntry* view = viewEntry(viewState);
    return view ? QString::fromUtf8(view->name) : QStringLiteral("View %1").arg(viewState);
}

QString unitsText(const Design& d, bool fromAperture) {
    QString text = QStringLiteral("Units: ") + unitWord(d);
    // New has no question for the units: an aperture above 40 is taken to
    // be in millimetres, 40 or less in inches.
    if (fromAperture)
        text += isMetric(d) ? QStringLiteral(" (from the aperture: above 40)")
                                : QStringLiteral(" (from the aperture: 40 or less)");
    return text;
}

QString focusText(const Design& d, double offset) {
    if (offset == 0) return QStringLiteral("Focus steps: none");
    return QStringLiteral("Focus steps: %1%2 %3")
        .arg(offset > 0 ? QStringLiteral("+") : QString())
        .arg(QString::number(offset, 'g', 7))
        .arg(unitWord(d));
}

QString plotScaleText(const AppState& s) {
    switch (s.viewState) {
        case kViewStandardPlot:
        case kViewUniformAiry:
        case kViewUniformBlur:
        case kViewAiryOverlay:
            break;
        default:
            return {};
    }
    if (!(s.frame.scale > 0) || !std::isfinite(s.frame.scale)) return {};
    // The frame holds pixels per design unit; a person reads microns.
    const double micronsPerDesignUnit = micronsPerUnit(s.design);
    return QStringLiteral("1 pixel = %1 \u00b5m")
        .arg(QString::number(micronsPerDesignUnit / s.frame.scale, 'g', 4));
}

QString fileText(const AppState& s) {
    if (s.design.surfaceCount == 0) return QStringLiteral("No design");
    if (s.files.filePath.empty()) return QStringLiteral("Not saved yet");
    return s.modified ? QStringLiteral("Changed since saved") : QStringLiteral("Saved");
}

StatusLine::StatusLine(QStatusBar* bar)
    : view_(field(bar, "statusView", QStringLiteral("The view shown"))),
      units_(field(bar, "statusUnits", QStringLiteral("The unit of the design's lengths"))),
      focus_(field(bar, "statusFocus",
                   QStringLiteral("How far the focus steps (F11, F12) have moved the focal plane"))),
      scale_(field(bar, "statusScale", QStringLiteral("The spot plot's scale: microns per screen pixel"))),
      file_(field(bar, "statusFile", QStringLiteral("Whether the design is saved in its file"))) {}

void StatusLine::show(const AppState& s, const StatusFacts& facts) {
    const bool design = s.design.surfaceCount > 0;
    view_->setText(viewName(s.viewState));
    units_->setText(design ? unitsText(s.design, facts.unitsFromAperture) : QString());
    focus_->setText(design ? focusText(s.design, facts.focusOffset) : QString());
    const QString scale = plotScaleText(s);
    scale_->setText(scale);
    scale_->setVisible(!scale.isEmpty());
    file_->setText(fileText(s));
    units_->setVisible(design);
    focus_->setVisible(design);
}

}  // namespace orvelin
