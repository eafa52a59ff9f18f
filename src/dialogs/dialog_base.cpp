#include "dialogs/dialog_base.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "app/entry.h"

namespace orvelin {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetricsF metrics(font);
    baseX_ =
        metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
        52.0;
    baseY_ = metrics.height();
}

QRect DialogUnits::rect(int x, int y, int width, int height) const {
    return {int(x * baseX_ / 4), int(y * baseY_ / 8), int(width * baseX_ / 4), int(height * baseY_ / 8)};
}

QSize DialogUnits::size(int width, int height) const {
    return {int(width * baseX_ / 4), int(height * baseY_ / 8)};
}

int captionWidth(const QWidget* dialog, const QString& caption) {
    QFont bold = dialog->font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    // A title bar holds the window icon and the minimise, maximise and close
    // buttons, each about a line high and square, and some padding.
    const int button = metrics.height() + 8;
    return metrics.horizontalAdvance(caption) + 4 * button + 24;
}

void fitDialogToTexts(QDialog* dialog, QSize templateSize, bool captioned) {
    const QList<QWidget*> controls = dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    // Texts wider than their template box grow: centred labels about their
    // centre, check boxes (text to the right of the tick) to the right.
    for (QWidget* w : controls) {
        // Word-wrapped texts (the about box) and pictures keep their boxes.
        auto* l = qobject_cast<QLabel*>(w);
        const bool label = l && l->pixmap().isNull() && !l->wordWrap();
        const bool check = qobject_cast<QCheckBox*>(w) != nullptr;
        if (!label && !check) continue;
        const QSize hint = w->sizeHint();
        QRect r = w->geometry();
        if (hint.width() > r.width()) {
            const int grow = hint.width() - r.width();
            if (check)
                r.setWidth(hint.width());
            else
                r.adjust(-(grow + 1) / 2, 0, grow / 2, 0);
        }
        if (hint.height() > r.height()) r.setHeight(hint.height());
        w->setGeometry(r);
    }
    // A grown check box never runs under the buttons beside it: they move
    // right together, keeping their order and spacing.
    int overlap = 0;
    for (QWidget* c : controls) {
        if (!qobject_cast<QCheckBox*>(c)) continue;
        for (QWidget* b : controls)
            if (qobject_cast<QPushButton*>(b) && c->geometry().intersects(b->geometry()))
                overlap = std::max(overlap, c->geometry().right() + 4 - b->geometry().left());
    }
    if (overlap > 0)
        for (QWidget* b : controls)
            if (qobject_cast<QPushButton*>(b)) b->move(b->pos() + QPoint(overlap, 0));
    // The block of controls; a text that grew past the left edge moves the
    // block right, and one that grew past the right edge widens the dialog
    // by as much again as the block's left margin.
    QRect block;
    for (QWidget* w : controls) block = block.united(w->geometry());
    int dx = block.left() < 0 ? -block.left() : 0;
    const int left = block.left() + dx;
    int width = std::max(templateSize.width(), block.right() + 1 + dx + left);
    if (captioned) width = std::max(width, captionWidth(dialog, dialog->windowTitle()));
    const int height = std::max(templateSize.height(), block.bottom() + 1 + left / 2);
    // A dialog that grew keeps the block whole and in the middle.
    if (width > templateSize.width()) dx = (width - block.width()) / 2 - block.left();
    if (dx != 0)
        for (QWidget* w : controls) w->move(w->pos() + QPoint(dx, 0));
    dialog->setFixedSize(width, height);
}

ParameterDialog::ParameterDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
}

void ParameterDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (firstBox_) {
        firstBox_->setFocus(Qt::OtherFocusReason);
        firstBox_->selectAll();
    }
}

bool ParameterDialog::eventFilter(QObject* watched, QEvent* event) {
    // A box that takes the focus from the keyboard, on opening or when its
    // window becomes active, has its whole text selected; a click places the
    // cursor where the user clicked.
    if (event->type() == QEvent::FocusIn) {
        auto* box = qobject_cast<QLineEdit*>(watched);
        if (box && static_cast<QFocusEvent*>(event)->reason() != Qt::MouseFocusReason) box->selectAll();
    }
    return QDialog::eventFilter(watched, event);
}

QLabel* ParameterDialog::addLabel(const QString& text, const QString& name, int x, int y, int w, int h) {
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(units().rect(x, y, w, h));
    return label;
}

QLineEdit* ParameterDialog::addTextBox(const QString& text, const QString& name, int x, int y, int w, int h) {
    auto* box = new QLineEdit(text, this);
    box->setObjectName(name);
    box->setGeometry(units().rect(x, y, w, h));
    box->setCursorPosition(0);
    box->installEventFilter(this);
    if (!firstBox_) firstBox_ = box;
    return box;
}

QLineEdit* ParameterDialog::addNumberBox(double value, const QString& name, int x, int y, int w, int h) {
    return addTextBox(QString::fromStdString(formatValue(value)), name, x, y, w, h);
}

QCheckBox* ParameterDialog::addCheck(const QString& text, const QString& name, int x, int y, int w, int h) {
    auto* check = new QCheckBox(text, this);
    check->setObjectName(name);
    check->setGeometry(units().rect(x, y, w, h));
    return check;
}

void ParameterDialog::addButtons(int okX, int okY, int cancelX, int cancelY, int w, int h) {
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(units().rect(okX, okY, w, h));
    connect(ok, &QPushButton::clicked, this, &ParameterDialog::onOk);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setGeometry(units().rect(cancelX, cancelY, w, h));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ParameterDialog::showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Error"), text, QMessageBox::Ok, this);
    box.exec();
}

bool ParameterDialog::readNumber(QLineEdit* box, const QString& field, double* value) {
    const auto parsed = parseNumber(box->text().toStdString());
    if (!parsed) {
        const char* why = "is not a number";
        switch (numberProblem(box->text().toStdString())) {
            case NumberProblem::tooLarge:
                why = "is too large";
                break;
            case NumberProblem::tooSmall:
                why = "is too small to tell from zero";
                break;
            default:
                break;
        }
        showError(QStringLiteral("%1: \"%2\" %3.\nEnter a number such as 800, -0.5 or 1.2e3.")
                      .arg(field, box->text(), QString::fromLatin1(why)));
        box->setFocus();
        box->selectAll();
        return false;
    }
    *value = *parsed;
    return true;
}

void ParameterDialog::onOk() {
    if (store()) done(1);
}

}  // namespace orvelin
