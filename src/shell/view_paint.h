// Painting the main window's views and running the plot commands on the
// window's drawing devices.
#pragma once

#include <QImage>
#include <QRect>

#include "app/app_state.h"

class QPainter;
class QWidget;

namespace orvelin {

/// The screen as the drawing routines see it: its full size (the buffer is
/// that less the caption band).
struct ScreenSize {
    int width = 0;
    int height = 0;
};

/// Paint the current view into the client area `client`: the welcome page or
/// the trace report; the design table with the layout (or the trace-problem
/// banner); or, in a plot view, the centre of the plot buffer.
void paintView(QPainter& painter, const QRect& client, const AppState& state, const QImage& plotBuffer,
               ScreenSize screen);

/// Copy of the plot buffer into a client area, centred; where the client is
/// larger than the buffer the rest keeps the background already painted.
void paintPlotBuffer(QPainter& painter, const QRect& client, const QImage& plotBuffer);

/// Run a plot command (601..606, 903, 904: clear the buffer first; 700: the
/// Airy circle drawn hollow over the last plot) for a client area of
/// `client` on `screen`.  Repaint requests go to `window`.
void runPlotCommand(QWidget* window, const QRect& client, AppState& state, QImage& plotBuffer,
                    ScreenSize screen, int command);

}  // namespace orvelin
