#include "shell/client_view.h"

#include <QMouseEvent>
#include <QPainter>

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
    window_->paintClient(painter, rect());
}

void ClientView::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        window_->leftClick(at.x(), at.y());
    else if (event->button() == Qt::RightButton)
        window_->rightClick();
}

}  // namespace orvelin
