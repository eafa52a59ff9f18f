#include "dialogs/family_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

#include "app/entry.h"
#include "reports/layout_preview.h"
#include "platform/qt/qt_device.h"

namespace orvelin {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

/// The default margin of each unit, as the command line has it.
QString defaultMargin(const QString& units) {
    return units == QStringLiteral("mm") ? QStringLiteral("5") : QStringLiteral("0.2");
}

/// A number box with its object name (tests and scripts find it by that).
QLineEdit* numberBox(QWidget* parent, const char* name, const QString& value, const QString& tip) {
    auto* box = new QLineEdit(value, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setToolTip(tip);
    return box;
}

}  // namespace

FamilyDialog::FamilyDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FamilyDlgBox"));
    setWindowTitle(QStringLiteral("New from a Family"));

    family_ = new QComboBox(this);
    family_->setObjectName(QStringLiteral("family"));
    for (Family f : kFamilies) {
        family_->addItem(QString::fromLatin1(familyTitle(f)), QString::fromLatin1(familyWord(f)));
        family_->setItemData(family_->count() - 1, QString::fromLatin1(familyLayoutRule(f)), Qt::ToolTipRole);
    }
    // The two-mirror Schiefspiegler is the usual first choice.
    family_->setCurrentIndex(static_cast<int>(Family::kutter));
    aperture_ =
        numberBox(this, "aperture", QStringLiteral("110"),
                  QStringLiteral("Full aperture of the primary, in the design's unit; exact in the result"));
    fRatio_ = numberBox(this, "fRatio", QStringLiteral("28"),
                        QStringLiteral("Focal ratio; the result is within 2 % of it"));
    field_ = numberBox(this, "field", QStringLiteral("0.25"),
                       QStringLiteral("Full field in degrees (the design's field semi-angle is half of it)"));
    margin_ =
        numberBox(this, "margin", QStringLiteral("5"),
                  QStringLiteral("Least clearance of every mirror, blank and the focus from every beam"));
    units_ = new QComboBox(this);
    units_->setObjectName(QStringLiteral("units"));
    units_->addItems({QStringLiteral("mm"), QStringLiteral("inches")});

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&Family:"), family_);
    form->addRow(QStringLiteral("&Aperture:"), aperture_);
    form->addRow(QStringLiteral("F-&ratio:"), fRatio_);
    form->addRow(QStringLiteral("Full fi&eld (degrees):"), field_);
    form->addRow(QStringLiteral("&Margin:"), margin_);
    form->addRow(QStringLiteral("&Units:"), units_);
    design_ = new QPushButton(QStringLiteral("&Design"), this);
    design_->setObjectName(QStringLiteral("design"));
    design_->setAutoDefault(false);
    form->addRow(QString(), design_);

    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("preview"));
    picture_->setFixedSize(kPreviewWidth, kPreviewHeight);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setFrameShape(QFrame::StyledPanel);
    picture_->setText(QStringLiteral("Design shows the layout here."));
    figures_ = new QPlainTextEdit(this);
    figures_->setObjectName(QStringLiteral("figures"));
    figures_->setReadOnly(true);
    figures_->setLineWrapMode(QPlainTextEdit::NoWrap);
    figures_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    figures_->setPlaceholderText(QStringLiteral("Design shows the key figures here."));
    // Room for the nine lines of figures without a scroll bar: the lines,
    // the document's margins and the frame.
    const int line = figures_->fontMetrics().lineSpacing();
    figures_->setFixedHeight(9 * line + 2 * static_cast<int>(figures_->document()->documentMargin()) +
                             2 * figures_->frameWidth() + 4);
    figures_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    figures_->setMinimumWidth(figures_->fontMetrics().horizontalAdvance(QString(50, QLatin1Char('0'))));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->setMinimumHeight(3 * status_->fontMetrics().lineSpacing());
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // The chosen family's layout rule, under the entries.
    rule_ = new QLabel(this);
    rule_->setObjectName(QStringLiteral("rule"));
    rule_->setWordWrap(true);
    rule_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // As wide as the entries above it, however long the rule.
    rule_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addSpacing(8);
    left->addWidget(rule_);
    left->addStretch(1);
    auto* right = new QVBoxLayout;
    right->addWidget(picture_);
    right->addWidget(figures_);
    right->addWidget(status_);
    auto* columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addSpacing(12);
    columns->addLayout(right, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setEnabled(false);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancel"));
    auto* all = new QVBoxLayout(this);
    all->addLayout(columns);
    all->addWidget(buttons);

    connect(design_, &QPushButton::clicked, this, &FamilyDialog::startDesign);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &FamilyDialog::reject);
    for (QLineEdit* box : {aperture_, fRatio_, field_, margin_}) {
        connect(box, &QLineEdit::textEdited, this, &FamilyDialog::entriesChanged);
        // Enter in a box designs (OK only takes a design already shown).
        connect(box, &QLineEdit::returnPressed, this, &FamilyDialog::startDesign);
    }
    connect(family_, &QComboBox::currentIndexChanged, this, [this] {
        showRule();
        entriesChanged();
    });
    showRule();
    connect(units_, &QComboBox::currentIndexChanged, this, &FamilyDialog::unitsChosen);
}

FamilyDialog::~FamilyDialog() {
    // The search cannot be interrupted; it ends within a few seconds.
    if (!running()) return;
    worker_.join();
    QApplication::restoreOverrideCursor();
}

std::optional<FamilyRequest> FamilyDialog::readRequest() {
    FamilyRequest r;
    r.family = *familyFromWord(family_->currentData().toString().toStdString());
    r.units = units_->currentText().toStdString();
    struct Entry {
        QLineEdit* box;
        const char* name;
        double* value;
    };
    for (const Entry& e :
         {Entry{aperture_, "Aperture", &r.aperture}, Entry{fRatio_, "F-ratio", &r.fRatio},
          Entry{field_, "Full field", &r.fieldDegrees}, Entry{margin_, "Margin", &r.margin}}) {
        const auto v = parseNumber(e.box->text().toStdString());
        if (!v) {
            status_->setText(QStringLiteral("%1: \"%2\" is not a number.")
                                 .arg(QString::fromLatin1(e.name), e.box->text()));
            e.box->setFocus();
            e.box->selectAll();
            return std::nullopt;
        }
        *e.value = *v;
    }
    if (const auto problem = familyRequestProblem(r)) {
        QString why = q(*problem);
        if (!why.isEmpty()) why[0] = why[0].toUpper();
        status_->setText(why + QStringLiteral("."));
        return std::nullopt;
    }
    return r;
}

void FamilyDialog::startDesign() {
    if (running()) return;
    const auto request = readRequest();
    if (!request) return;
    ok_->setEnabled(false);
    setBusy(true);
    status_->setText(
        QStringLiteral("Designing a %1...").arg(QString::fromLatin1(familyTitle(request->family))));
    // The layout, tilts and optimisation take a second or two on a thread of
    // their own; the result comes back as a queued call, so no widget is
    // touched from there.
    worker_ = std::thread([this, r = *request] {
        auto result = std::make_shared<FamilyResult>(designFamily(r));
        QMetaObject::invokeMethod(
            this, [this, result, r] { finished(result, r); }, Qt::QueuedConnection);
    });
}

void FamilyDialog::finished(std::shared_ptr<FamilyResult> result, FamilyRequest request) {
    worker_.join();
    setBusy(false);
    result_ = std::move(*result);
    if (closePending_) {
        QDialog::reject();
        return;
    }
    // The preview and the figures also for a refused design: they show how
    // far the family got.
    preview_ = QImage(kPreviewWidth, kPreviewHeight, QImage::Format_RGB32);
    {
        qt::QtDevice dc(preview_);
        drawLayoutPreview(dc, result_.design);
        dc.end();
    }
    picture_->setPixmap(QPixmap::fromImage(preview_));
    figures_->setPlaceholderText(
        QStringLiteral("No figures: the family stopped before its design could be judged."));
    // Without its last line end, so that no empty line asks for a scroll bar.
    figures_->setPlainText(result_.traced ? q(familyFiguresText(result_, request.units)).trimmed()
                                          : QString());
    if (result_.ok) {
        status_->setText(QStringLiteral("Every criterion is met: OK takes this design."));
        ok_->setEnabled(true);
        ok_->setDefault(true);
    } else {
        status_->setText(QStringLiteral("Not taken: ") + q(result_.reason) + QStringLiteral("."));
    }
}

void FamilyDialog::showRule() {
    rule_->setText(family_->currentData(Qt::ToolTipRole).toString());
}

void FamilyDialog::entriesChanged() {
    // What is shown no longer answers the boxes: it may not be taken.
    ok_->setEnabled(false);
    if (!running() && !preview_.isNull())
        status_->setText(QStringLiteral("The entries changed: Design again to see the design they make."));
}

void FamilyDialog::unitsChosen() {
    // A margin left at one unit's default takes the other's.
    const QString other =
        defaultMargin(units_->currentIndex() == 0 ? QStringLiteral("inches") : QStringLiteral("mm"));
    if (margin_->text().trimmed() == other) margin_->setText(defaultMargin(units_->currentText()));
    entriesChanged();
}

void FamilyDialog::setBusy(bool busy) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{family_, aperture_, fRatio_, field_, margin_, units_, design_})
        w->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

void FamilyDialog::reject() {
    // Cancel while a design is under way closes once it has come back.
    if (running()) {
        closePending_ = true;
        status_->setText(QStringLiteral("Cancelling once the design under way ends..."));
        return;
    }
    QDialog::reject();
}

void FamilyDialog::closeEvent(QCloseEvent* event) {
    if (running()) {
        reject();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

bool designFromFamily(QWidget* parent, Design& out) {
    FamilyDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.result().ok) return false;
    out = dialog.design();
    return true;
}

}  // namespace orvelin
