// The client area of the main window: it paints the current view and passes
// mouse buttons and requests for tooltips on to the window.
#pragma once

#include <QWidget>

#include "shell/kept_picture.h"

namespace orvelin {

class MainWindow;

class ClientView : public QWidget {
    Q_OBJECT
  public:
    explicit ClientView(MainWindow* window);

    void setBackground(const QColor& colour);
    /// How often the picture of an analysis view was drawn afresh rather
    /// than copied.
    int pictureDraws() const { return picture_.draws(); }

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    MainWindow* window_;
    KeptPicture picture_;
};

}  // namespace orvelin
