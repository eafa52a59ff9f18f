// Designs and drawing targets for the spot-plot tests.
#pragma once

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "design/design.h"
#include "platform/recording_device.h"
#include "plots/spot_plot.h"
#include "trace/ray_trace.h"

namespace orvelin::plottest {

struct Surface {
    double radius = 0;
    double conic = 0;
    double tilt = 0;
    double separation = 0;
};

/// Mirrors followed by the focal plane (the last entry).
inline Design makeDesign(const std::vector<Surface>& surfaces, double aperture, double field = 0,
                         const char* units = "mm") {
    Design d;
    d.surfaceCount = static_cast<int>(surfaces.size());
    initMediumSigns(d);
    resetDesign(d);
    for (int i = 1; i <= d.surfaceCount; ++i) {
        const Surface& s = surfaces[i - 1];
        d.radius[i] = d.sagRadius[i] = s.radius;
        d.conic[i] = s.conic;
        d.tilt[i] = s.tilt;
        d.separation[i] = s.separation;
        recomputeSurface(d, i);
    }
    d.aperture = aperture;
    recomputeAperture(d);
    d.fieldSemiAngle = field;
    recomputeField(d);
    d.units = units;
    d.designTitle = "test";
    return d;
}

/// The f/5 paraboloid: radius 1000, 500 to a flat focal plane, aperture 100.
inline Design paraboloid(double field = 0, const char* units = "mm") {
    return makeDesign({{1000, 1, 0, 500}, {0, 0, 0, 0}}, 100, field, units);
}

/// A flat mirror 100 before a flat focal plane: parallel light stays
/// parallel, so the image of pupil point (a, b) of an axial ray is exactly
/// (a h, b h) and the spot is the pupil pattern itself.
inline Design flatMirror(double aperture, double field = 0) {
    return makeDesign({{0, 0, 0, 100}, {0, 0, 0, 0}}, aperture, field);
}

/// Everything one plot needs, with recording devices: a client area of
/// 640 x 400 on a 1024 x 768 screen, so the plot centre is (320, 200) in the
/// window and (512, 365) in the 1024 x 730 plot buffer.
struct Bench {
    Design design;
    TraceState trace;
    PlotFrame frame;
    RandomSource random;
    gdi::RecordingDevice window{640, 400, 1024, 768};
    gdi::RecordingDevice buffer{1024, 730, 1024, 768};
    SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};

    explicit Bench(Design d) : design(std::move(d)) {}
};

using PixelSet = std::set<std::pair<int, int>>;

/// Distinct pixels set on a device.
inline PixelSet pixels(const gdi::RecordingDevice& dev) {
    PixelSet s;
    for (const auto& c : dev.callsOf("setPixel")) s.insert({c.args[0], c.args[1]});
    return s;
}

/// The same set moved by (dx, dy).
inline PixelSet shifted(const PixelSet& s, int dx, int dy) {
    PixelSet out;
    for (auto [x, y] : s) out.insert({x + dx, y + dy});
    return out;
}

}  // namespace orvelin::plottest
