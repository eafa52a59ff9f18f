// The pure rules of the window: which command a key stands for, where a
// click on the design table lands, the caption and the background of each
// view.
#pragma once

#include <optional>
#include <string>

#include "app/command_ids.h"
#include "design/design.h"
#include "platform/draw_device.h"
#include "plots/plot_frame.h"

namespace orvelin {

/// The caption before any design and with one.
inline constexpr const char* kInitialCaption = "ORVELIN";
std::string designCaption(const std::string& designTitle);

/// Title of a design made by New and not yet saved.
inline constexpr const char* kNewDesignTitle = "(New Design)";

/// A character key: the command it posts, or nothing.  Escape posts 500
/// except in the design view; "Z" is not a command (see isCurveKey).
std::optional<int> commandForCharacter(char c, int viewState);
/// "Z" or "z": curve the focal plane at once.
bool isCurveKey(char c);

/// Accelerator keys (tried before anything else sees the key).
enum class AccelKey { AltA, AltB, AltR, F1, F4, F5, F6, F11, F12 };
int commandForAccelerator(AccelKey key);

/// Whether a plot command's picture is the standard plot (600) or one of
/// the Monte-Carlo plots (602, 603): the view state the command leaves.
int viewStateForPlotCommand(int command);

/// The spot-plot views (standard, uniform Airy, uniform blur, Airy
/// overlay), which the window shows by copying its plot buffer.
bool isPlotView(int view);
bool isPlotCommand(int command);

/// A left click on the design view.
struct TableHit {
    enum Kind {
        outside,    ///< above or below the table: nothing, the cell stays as it was
        ignored,    ///< on the table but on no editable cell (the cell is still noted)
        diameters,  ///< the name cell of a mirror: the tangential diameters box
        cell,       ///< a value cell: the single-value dialog
    } kind = outside;
    int row = 0;
    int column = 0;
};
/// Where a click at (x, y) of a client area `clientWidth` wide lands on the
/// table of an n-surface design.  Rows are 14 pixels from y = 22; columns
/// 112 pixels, centred on the client area; divisions truncate toward zero.
TableHit hitDesignTable(int x, int y, int clientWidth, int surfaceCount);

/// The text of the tangential diameters box for mirror `row`.
std::string diametersText(double centralSemiDiameter, double unvignettedSemiDiameter);

/// Units from the aperture of a new design: above 40 (semi-aperture above 20)
/// it is taken to be millimetres, otherwise inches.
const char* unitsForNewAperture(double semiAperture);

/// Window placement: centred on the screen less a 38-pixel band.
struct Placement {
    int left = 0;
    int top = 0;
    int width = 640;
    int height = 454;
};
Placement mainWindowPlacement(int screenWidth, int screenHeightLessBand);

/// The plot buffer's part that a plot view shows in a client area: source
/// and target rectangles of the copy, centred, clipped to both.
struct PlotCopy {
    draw::Rect source;
    draw::Rect target;
};
PlotCopy plotViewCopy(int bufferWidth, int bufferHeight, int clientWidth, int clientHeight);

}  // namespace orvelin
