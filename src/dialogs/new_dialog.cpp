#include "dialogs/new_dialog.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "app/dialog_logic.h"
#include "app/entry.h"
#include "design/design.h"
#include "dialogs/entry_tips.h"

namespace orvelin {

NewDialog::NewDialog(QWidget* parent) : ParameterDialog(parent) {
    setObjectName(QStringLiteral("NewDlgBox"));
    setWindowTitle(QStringLiteral("New Design"));
    addLabel(QStringLiteral("Select"), QStringLiteral("select"), 30, 3, 26, 12);
    addLabel(QStringLiteral("mirror"), QStringLiteral("mirror"), 30, 11, 26, 12);
    addLabel(QStringLiteral("count"), QStringLiteral("count"), 30, 19, 26, 12);
    for (const char* name : {"select", "mirror", "count"})
        findChild<QLabel*>(QString::fromLatin1(name))->setToolTip(entryTip(EntryKind::mirrorCount, {}));
    count_ = addTextBox(QStringLiteral(" 1"), QStringLiteral("edit8"), 4, 4, 22, 12);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list9"));
    list_->setGeometry(units().rect(4, 22, 22, 48));
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    for (int m = 1; m <= kMaxMirrors; ++m) list_->addItem(QString::number(m));
    list_->installEventFilter(this);
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) count_->setText(QString::number(row + 1));
    });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        // A double click takes the listed count at once.
        mirrors_ = list_->row(item) + 1;
        done(1);
    });
    addButtons(30, 44, 30, 59, 26, 12);
    fitDialogToTexts(this, units().size(60, 74), true);
}

bool NewDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::FocusIn) {
        // Entering the list always starts again from its first count, without
        // touching the box: only the user's own choice in the list fills it.
        const QSignalBlocker quiet(list_);
        list_->setCurrentRow(0);
    }
    return ParameterDialog::eventFilter(watched, event);
}

bool NewDialog::store() {
    const auto count = parseWholeNumber(count_->text().toStdString());
    if (!count) {
        showError(QStringLiteral("Mirror count: \"%1\" is not a whole number.\nEnter a count from %2 to %3.")
                      .arg(count_->text())
                      .arg(kMinNewMirrors)
                      .arg(kMaxMirrors));
    } else if (*count < kMinNewMirrors || *count > kMaxMirrors) {
        showError(QStringLiteral("Entry out of range"));
    } else {
        mirrors_ = *count;
        return true;
    }
    count_->setFocus();
    count_->selectAll();
    return false;
}

}  // namespace orvelin
