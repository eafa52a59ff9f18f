// The "Image quality" view: the spot diagram of each of the four fields at
// one common scale, with a scale bar in micrometres and each field's Airy
// circle at its true size, and the figures of each field beneath its spot.
// Drawn through the drawing device, so the same routine serves the window,
// image and SVG files and the printed page.
#pragma once

#include <array>
#include <vector>

#include "design/design.h"
#include "platform/draw_device.h"
#include "quality/image_quality.h"

namespace orvelin {

/// What the view shows: the figures and the spot of every field (hit
/// points relative to the chief ray, um).
struct QualityViewData {
    QualityReport report;
    std::array<std::vector<SpotPoint>, 4> spots;
    std::string title;
    std::string units;
};

/// Trace the four fields for the view.
QualityViewData computeQualityView(const Design& design);

/// Where the view puts things, from the area it is given and the height of
/// its font: the four spot boxes side by side, the common scale, the scale
/// bar.
struct QualityViewLayout {
    int margin = 0;
    int lineHeight = 0;
    int fontHeight = 0;
    std::array<draw::Rect, 4> boxes{};  ///< the spot boxes, one per field in output order
    double pixelsPerMicron = 0;         ///< the common scale
    double barMicrons = 0;              ///< the scale bar's length in um (1, 2 or 5 times a power of 10)
    int barPixels = 0;
    int barX = 0, barY = 0;  ///< left end of the scale bar
};

/// The layout for an area with a font of the given line height.
QualityViewLayout layoutQualityView(const draw::Rect& area, int lineHeight, const QualityViewData& data);

/// Dots in black, Airy circles in red, boxes in grey, text in black.
inline constexpr draw::Colour kQualityAiryColour = draw::rgb(208, 0, 0);
inline constexpr draw::Colour kQualityBoxColour = draw::rgb(128, 128, 128);

/// Draw the view into area (its background already erased).  Image +x is
/// drawn to the left of a spot's centre and +y downward, as in the spot
/// plots; each spot is centred on its centroid.
void drawQualityView(draw::Device& dc, const draw::Rect& area, const QualityViewData& data);

}  // namespace orvelin
