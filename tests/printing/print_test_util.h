// Designs, pages and fake platform pieces for the printing tests.
#pragma once

#include <string>
#include <vector>

#include "design/design.h"
#include "platform/recording_device.h"
#include "plots/plot_frame.h"
#include "plots/printed_plots.h"
#include "plots/random.h"
#include "reports/print_page.h"
#include "trace/analysis.h"
#include "trace/layout.h"
#include "trace/ray_trace.h"

namespace orvelin::printtest {

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
inline Design paraboloid(double field = 0) {
    return makeDesign({{1000, 1, 0, 500}, {0, 0, 0, 0}}, 100, field);
}

/// A flat mirror before a flat focal plane: parallel light stays parallel,
/// so the image of pupil point (a, b) is (a h, b h) and a spot is its pupil
/// pattern.
inline Design flatMirror(double aperture, double field = 0) {
    return makeDesign({{0, 0, 0, 100}, {0, 0, 0, 0}}, aperture, field);
}

/// A sphere tilted by 5 degrees: the field spots differ, so all three are
/// traced.
inline Design tiltedSphere(double field) {
    return makeDesign({{1000, 0, 5, 500}, {0, 0, 0, 0}}, 100, field);
}

/// Everything a page needs, analysed and with the layout's geometry as the
/// design view leaves it.
struct Records {
    Design design;
    TraceState trace;
    AnalysisResults results;
    LayoutGeometry geometry;
    PlotFrame frame;
    RandomSource random;
    PrintRecords print{design, trace, results, geometry, frame, random};

    explicit Records(Design d) : design(std::move(d)) {
        gdi::RecordingDevice screen(632, 408, 1024, 768);
        analysed = drawLayout(design, trace, results, geometry, screen);
    }
    bool analysed = false;
};

/// A progress dialog that counts, and cancels at a chosen pump.
struct ScriptedProgress : PrintProgress {
    int cancelAtPump = -1;  ///< the pump (1-based) during which Cancel arrives; -1 never
    int pumps = 0;
    int shown = 0;
    bool cancelled = false;
    std::vector<std::string> texts;
    /// setPixel calls on the watched device when Cancel arrived.
    const gdi::RecordingDevice* watched = nullptr;
    std::size_t callsAtCancel = 0;

    void show() override { ++shown; }
    void setText(std::string_view t) override { texts.emplace_back(t); }
    void pump() override {
        ++pumps;
        if (pumps == cancelAtPump) {
            cancelled = true;
            if (watched) callsAtCancel = watched->calls().size();
        }
    }
    bool aborted() const override { return cancelled; }
};

/// A local time for the header: Tuesday 4 March 2025, 13:05:09.
inline std::tm fixedTime(int hour = 13, int minute = 5, int mon = 2) {
    std::tm t{};
    t.tm_year = 125;
    t.tm_mon = mon;
    t.tm_mday = 4;
    t.tm_wday = 2;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = 9;
    return t;
}

/// The font name the recording device gives the printed face at a height.
inline std::string printFont(int height) {
    return std::string(kPrintFaceName) + "/" + std::to_string(height) + "/400";
}

}  // namespace orvelin::printtest
