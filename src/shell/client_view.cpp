#include "shell/client_view.h"

#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "shell/main_window.h"

namespace orvelin {

ClientView::ClientView(MainWindow* window) : QWidget(window), window_(window) {
    setObjectName(QStringLiteral("client"));
    setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    // Painting draws every pixel of its view over the erased background.
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ClientView::setBackground(const QColor& colour) {
    QPalette p = palette();
    p.setColor(QPalette::Window, colour);
    setPalette(p);
}

void ClientView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // An analysis view whose figures, size and background are as last time
    // is copied from its picture; everything else is drawn as it stands.
    const auto key = keptPictureKey(window_->state(), painter, size(), palette().brush(backgroundRole()));
    if (key)
        picture_.paint(painter, *key, [this](QPainter& p) { window_->paintClient(p, rect()); });
    else
        window_->paintClient(painter, rect());
}

bool ClientView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // The painted report's labels explain themselves as widgets' would.
        auto* help = static_cast<QHelpEvent*>(event);
        const QString tip = window_->toolTipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }
    return QWidget::event(event);
}

void ClientView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        window_->leftClick(at.x(), at.y());
    else if (event->button() == Qt::RightButton)
        window_->rightClick();
}

}  // namespace orvelin
