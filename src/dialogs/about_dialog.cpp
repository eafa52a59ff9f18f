#include "dialogs/about_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "dialogs/dialog_base.h"

namespace orvelin {

namespace {

QFrame* blackFrame(QWidget* parent, const QRect& r) {
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::Box);
    frame->setStyleSheet(QStringLiteral("QFrame { border: 1px solid black; }"));
    frame->setGeometry(r);
    return frame;
}

QLabel* centredText(QWidget* parent, const QString& text, const QRect& r) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    label->setGeometry(r);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlgBox"));
    setWindowTitle(QStringLiteral("About Orvelin"));
    setModal(true);
    const DialogUnits du(font());

    blackFrame(this, du.rect(5, 2, 18, 18));
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const QRect iconRect = du.rect(6, 3, 16, 16);
    icon->setGeometry(iconRect);
    const QIcon programIcon =
        parent && !parent->windowIcon().isNull() ? parent->windowIcon() : QApplication::windowIcon();
    icon->setPixmap(programIcon.pixmap(iconRect.size()));

    auto* version = centredText(this, QStringLiteral("Quorvex V0.90"), du.rect(28, 7, 64, 8));
    version->setObjectName(QStringLiteral("version"));

    blackFrame(this, du.rect(5, 23, 111, 12));
    centredText(this, QStringLiteral("Orvelin"), du.rect(6, 24, 109, 10));
    centredText(this, QStringLiteral("Reflecting telescope analyser"), du.rect(5, 37, 111, 16));
    blackFrame(this, du.rect(5, 54, 111, 52));
    centredText(this,
                QStringLiteral("Real rays through tilted conic and toroidal mirrors: "
                               "aberrations, spot diagrams and the Airy disk."),
                du.rect(8, 56, 105, 48));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    ok->setGeometry(du.rect(40, 112, 40, 14));
    connect(ok, &QPushButton::clicked, this, [this] { done(1); });
    fitDialogToTexts(this, du.size(120, 130), true);
}

void AboutDialog::keyPressEvent(QKeyEvent* event) {
    // The box has no Cancel: Escape does nothing, Enter is OK.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AboutDialog::closeEvent(QCloseEvent* event) {
    // Closing from the title bar counts as OK.
    done(1);
    event->accept();
}

}  // namespace orvelin
