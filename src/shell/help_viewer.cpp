#include "shell/help_viewer.h"

#include <QKeySequence>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace orvelin {

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("help"));
    setWindowTitle(QStringLiteral("Orvelin Help"));
    browser_ = new QTextBrowser(this);
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    resize(560, 520);
    // Closed from the keyboard as other windows are: Escape and Ctrl+W.
    for (const QKeySequence& keys : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, &QWidget::close);
    }
}

void HelpViewer::showContents() {
    browser_->setSource(QUrl(QString::fromLatin1(kHelpContentsUrl)));
    if (!isVisible()) placeOnScreen();
    show();
    raise();
    activateWindow();
}

void HelpViewer::placeOnScreen() {
    // Beside the program's window where there is room, and whole on the
    // screen that window is on (less its panels), frame and title included.
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* on = owner ? owner->screen() : screen();
    if (!on) return;
    const QRect room = on->availableGeometry();
    // move() places the frame; the frame adds a border round the guide and
    // a title bar above it.
    const int border = kFrameAllowance, title = kTitleAllowance;
    const QSize size(std::min(width(), room.width() - 2 * border),
                     std::min(height(), room.height() - title - border));
    resize(size);
    const QSize outer(size.width() + 2 * border, size.height() + title + border);
    QPoint at = owner ? owner->frameGeometry().topRight() + QPoint(1, 0) : room.topLeft();
    if (owner && at.x() + outer.width() > room.right() + 1)
        at.setX(owner->frameGeometry().center().x() - outer.width() / 2);
    at.setX(std::clamp(at.x(), room.left(), room.right() + 1 - outer.width()));
    at.setY(std::clamp(at.y(), room.top(), room.bottom() + 1 - outer.height()));
    move(at);
}

}  // namespace orvelin
