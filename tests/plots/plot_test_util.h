// Drawing targets for the spot-plot tests.
#pragma once

#include <set>
#include <utility>

#include "platform/recording_device.h"
#include "plots/spot_plot.h"
#include "support/test_designs.h"

namespace orvelin::plottest {

using namespace orvelin::testing;

/// One plot on recording devices: a 640 x 400 client area on a 1024 x 768
/// screen, so the plot centre is (320, 200) in the window and (512, 365) in
/// the 1024 x 730 plot buffer.
struct Bench {
    Design design;
    TraceState trace;
    PlotFrame frame;
    RandomSource random;
    draw::RecordingDevice window{640, 400, 1024, 768};
    draw::RecordingDevice buffer{1024, 730, 1024, 768};
    SpotPlot plot{design, trace, frame, random, window, buffer, nullptr};

    explicit Bench(Design d) : design(std::move(d)) {}
    Bench& framed() {
        setUpPlotFrame(frame, 640, 400, 1024, 768);
        return *this;
    }
};

using PixelSet = std::set<std::pair<int, int>>;

inline PixelSet pixels(const draw::RecordingDevice& dev) {
    PixelSet s;
    for (const auto& c : dev.callsOf("pixel")) s.insert({c.args[0], c.args[1]});
    return s;
}

inline PixelSet shifted(const PixelSet& s, int dx, int dy) {
    PixelSet out;
    for (auto [x, y] : s) out.insert({x + dx, y + dy});
    return out;
}

}  // namespace orvelin::plottest
