#include "dialogs/dialog_base.h"

#include <QCheckBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "dialogs/entry.h"

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

ParameterDialog::ParameterDialog(QWidget* parent) : QDialog(parent) {
    setModal(true);
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
