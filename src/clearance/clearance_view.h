// The clearance view: the layout seen from the side with every beam envelope
// filled translucently (where beams cross, their tints add up), every body
// outlined, each obstruction in red with its clearance written beside it, and
// the smallest clearance in the heading.  The window, the rendered pictures
// and the printed page all draw through here.
#pragma once

#include "clearance/clearance.h"
#include "platform/draw_device.h"

namespace orvelin {

/// Where the picture lies on the device: a point (X, Y) of the plane is drawn
/// at (x0 + X / k, y0 + Y / k) pixels, inside `area`.
struct ClearancePicture {
    draw::Rect area;
    double x0 = 0;
    double y0 = 0;
    double k = 1;  ///< design units per pixel
};

/// Fit the picture of a traced report into `box` below the heading: every
/// body and every space but the entrance, which gets a tenth of the width
/// more to come in from the left, centred at one scale.  `unit` is the size
/// of a screen pixel in device pixels (1 on screen, more on paper).
ClearancePicture fitClearancePicture(const ClearanceReport& report, const draw::Rect& box, int unit = 1);

/// Paint the whole view on the device (background included) from the report
/// checked with `options`.  A design that does not trace shows "* Trace
/// problem *" and the trace's message instead of a picture.
void paintClearanceView(draw::Device& dc, const Design& design, const ClearanceOptions& options,
                        const ClearanceReport& report);

/// The same picture for a printed page: inside `box`, on the paper's white,
/// with lines, text and spacing scaled by `unit` device pixels per screen
/// pixel and a created font of that size.
void printClearanceView(draw::Device& dc, const Design& design, const ClearanceOptions& options,
                        const ClearanceReport& report, const draw::Rect& box, int unit);

/// The heading line: "Smallest clearance -0.199 mm (surface 2, entrance
/// beam): obstructed".
std::string clearanceHeading(const Design& design, const ClearanceReport& report);

/// Background of the view.
inline constexpr draw::Colour kClearanceBackground = draw::rgb(240, 240, 236);

}  // namespace orvelin
