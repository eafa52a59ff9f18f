// Over many designs -- the examples, random ones, hostile ones -- the
// analysis either reports a trace problem or gives 30 finite figures, and it
// leaves every entered and derived value of the design as it found it; so do
// the image-quality figures, the aberration plots, point by point, the
// diffraction image, and every view drawn on screen and on paper.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "aberrations/field_curves.h"
#include "aberrations/field_map.h"
#include "aberrations/ray_fans.h"
#include "aberrations/through_focus.h"
#include "app/evaluation.h"
#include "app/view_painters.h"
#include "design/design_file.h"
#include "diffraction/diffraction.h"
#include "platform/recording_device.h"
#include "plots/plot_dispatch.h"
#include "quality/image_quality.h"
#include "reports/design_view.h"
#include "reports/print_page.h"
#include "reports/report_figures.h"
#include "support/test_designs.h"
#include "trace/analysis.h"

using namespace orvelin;
using orvelin::testing::makeDesign;
using orvelin::testing::SurfaceSpec;

namespace {

/// A trace status the design can give: 1, 2, or a miss of one of its surfaces.
void expectStatus(TraceStatus status, const Design& design, const std::string& what) {
    EXPECT_GE(status, 1) << what;
    EXPECT_LE(status, 3 + std::clamp(design.surfaceCount, 0, kMaxSurfaces)) << what;
}

void expectFinite(std::initializer_list<double> values, const std::string& what) {
    for (double v : values) EXPECT_TRUE(std::isfinite(v)) << what;
}

/// The aberration plots, small: every point a trace status or finite
/// figures.
void checkAberrations(const Design& d, const std::string& what) {
    const FanResult fans = computeFans(d, {9, kQualityWavelengthMicrons, {}});
    for (const FieldFans& f : fans.fields) {
        if (f.status != kTraceOk) {
            expectStatus(f.status, d, what + " fans");
            continue;
        }
        for (const Fan* fan : {&f.tangential, &f.sagittal})
            for (std::size_t k = 0; k < fan->ex.size(); ++k) {
                if (fan->status[k] != kTraceOk)
                    expectStatus(fan->status[k], d, what + " fan ray");
                else
                    expectFinite({fan->ex[k], fan->ey[k], fan->opd[k]}, what + " fan");
            }
    }
    const FieldCurvesResult curves = computeFieldCurves(d, {5, 0});
    for (const FieldSweep* s : {&curves.tangential, &curves.sagittal})
        for (const FieldCurvePoint& p : s->points) {
            if (p.status != kTraceOk)
                expectStatus(p.status, d, what + " curves");
            else
                expectFinite({p.tangentialFocus, p.sagittalFocus}, what + " curves");
        }
    const FieldMapResult map = computeFieldMap(d, {2, 0, 25, kQualityWavelengthMicrons});
    for (const FieldMapPoint& p : map.points) {
        if (p.quality.status != kTraceOk)
            expectStatus(p.quality.status, d, what + " map");
        else
            expectFinite({p.quality.rmsSpot, p.quality.strehl}, what + " map");
    }
    ThroughFocusOptions o;
    o.rays = 25;
    const ThroughFocusResult focus = computeThroughFocus(d, o);
    if (focus.status != kTraceOk) expectStatus(focus.status, d, what + " through focus");
    for (const FocusSpot& s : focus.spots) {
        if (s.status != kTraceOk) {
            expectStatus(s.status, d, what + " spot");
            continue;
        }
        expectFinite({s.shift, s.rmsSpot}, what + " spot");
        for (const SpotPoint& p : s.points) expectFinite({p.x, p.y}, what + " spot point");
    }
}

/// Every view of the table drawn from the design's evaluation, on screen and
/// on paper, the spot plots by their commands as the window runs them (only
/// for a design that traces, as the window offers them): each leaves the
/// design bit for bit as it was.
void checkEveryView(const Design& design, const std::string& what) {
    const Design before = design;
    const Evaluation evaluation;
    const ViewInputs in{design, evaluation};
    const DesignAnalysis& analysis = evaluation.analysis(design);
    TraceState trace;
    PlotFrame frame;
    RandomSource random;
    PrintRecords records{design, trace, analysis, frame, random};
    PrintProgress quiet;
    for (const ViewEntry& v : viewTable()) {
        if (v.needsTrace && !analysis.traced()) continue;
        draw::RecordingDevice screen(632, 408, 1024, 768), buffer(1024, 730, 1024, 768),
            page(600, 800, 600, 800);
        if (v.paint) v.paint(screen, in);
        SpotPlot plot{design, trace, frame, random, screen, buffer, nullptr};
        for (int command : v.commands)
            if (command != 0) dispatchPlot(plot, command);
        if (v.print) v.print(page, 14, in, records, quiet);
        EXPECT_TRUE(bitIdentical(design, before)) << what << " view " << v.word;
        trace.status = kTraceOk;  // a plot's miss does not stop the next view here
    }
}

/// Analyse a copy and check both halves of the invariant; true if it traced.
/// With manyRays the image-quality figures are also taken with enough pupil
/// rays for them to be streamed and the centres searched on a coarser rule.
bool checkInvariant(const Design& design, const std::string& what, bool manyRays = false,
                    bool aberrations = true) {
    Design d = design;
    TraceState s;
    AnalysisResults r;
    const bool ok = analyseSystem(d, s, r);
    EXPECT_EQ(ok, s.status == kTraceOk) << what;
    if (ok) {
        for (const AnalysisFigure& f : analysisFigures(r))
            EXPECT_TRUE(std::isfinite(f.value)) << what << f.name;
    } else {
        EXPECT_GE(s.status, 1) << what;
        EXPECT_LE(s.status, 3 + std::clamp(design.surfaceCount, 0, kMaxSurfaces)) << what;
    }
    // Analysing, measuring and drawing the layout, the design view and its
    // printed page only read the design: every value bit for bit, NaN and
    // the entrance distance included.
    EXPECT_TRUE(bitIdentical(d, design)) << what;
    {
        draw::RecordingDevice screen(632, 408), page(2400, 3150, 2400, 3150);
        const DesignAnalysis analysis = analyseDesign(d);
        drawDesignView(screen, d, analysis);
        drawDesignPage(page, d, analysis.geometry, 54);
        EXPECT_TRUE(bitIdentical(d, design)) << what << " after drawing";
    }
    if (manyRays) checkEveryView(d, what);
    // The image-quality figures: a trace status or finite figures per field,
    // and the design as it was.
    const Design before = d;
    for (int rays : {25, manyRays ? 5000 : 0}) {
        if (rays == 0) continue;
        const QualityReport q = computeQuality(d, {rays});
        for (const FieldQuality& f : q.fields) {
            if (f.status != kTraceOk) {
                EXPECT_GE(f.status, 1) << what;
                EXPECT_LE(f.status, 3 + std::clamp(design.surfaceCount, 0, kMaxSurfaces)) << what;
                continue;
            }
            for (const std::string& name : qualityFigureNames()) {
                if (auto v = qualityFigure(q, name)) {
                    EXPECT_TRUE(std::isfinite(*v)) << what << name;
                }
            }
        }
    }
    if (aberrations) checkAberrations(d, what);
    // The diffraction image likewise, on a coarse grid (and the default one
    // where the quality takes many rays).
    for (int grid : {kMinDiffractionGrid, manyRays ? kDefaultDiffractionGrid : 0}) {
        if (grid == 0) continue;
        const DiffractionResult r = computeDiffraction(d, {grid});
        for (const FieldDiffraction& f : r.fields) {
            if (f.status != kTraceOk) {
                EXPECT_GE(f.status, 1) << what;
                EXPECT_LE(f.status, 3 + std::clamp(design.surfaceCount, 0, kMaxSurfaces)) << what;
                continue;
            }
            const double figures[] = {f.strehl, f.strehlMarechal, f.ee50,      f.ee80,     f.fNumber,
                                      f.cutoff, f.psfSpacing,     f.centroidX, f.centroidY};
            for (double v : figures) EXPECT_TRUE(std::isfinite(v)) << what;
            for (double v : f.mtf.tangential) EXPECT_TRUE(std::isfinite(v)) << what;
            for (double v : f.encircledEnergy.fraction) EXPECT_TRUE(std::isfinite(v)) << what;
        }
    }
    EXPECT_TRUE(bitIdentical(d, before)) << what;
    return ok;
}

Design randomDesign(std::mt19937& rng) {
    std::uniform_real_distribution<double> unit(0, 1);
    auto pick = [&](double lo, double hi) { return lo + (hi - lo) * unit(rng); };
    std::vector<SurfaceSpec> surfaces(1 + std::uniform_int_distribution<int>(1, 5)(rng));
    for (SurfaceSpec& s : surfaces) {
        const int k = std::uniform_int_distribution<int>(0, 6)(rng);
        s.kind = k == 0 ? kToroid : (k == 6 ? 2 : kConic);  // 2: a kind only a file can give
        s.radius = unit(rng) < 0.15 ? 0 : (unit(rng) < 0.7 ? 1 : -1) * pick(100, 5000);
        s.conic = s.kind == kToroid ? s.radius * pick(0.8, 1.2) : (unit(rng) < 0.3 ? 0 : pick(-3, 4));
        s.tilt = unit(rng) < 0.3 ? 0 : pick(-25, 25);
        s.separation = pick(-2000, 2000);
    }
    SurfaceSpec& fp = surfaces.back();  // focal plane: mostly flat and untilted
    fp.radius = unit(rng) < 0.6 ? 0 : pick(-3000, 3000);
    fp.tilt = unit(rng) < 0.7 ? 0 : pick(-10, 10);
    fp.kind = unit(rng) < 0.1 ? kToroid : kConic;
    fp.conic = fp.kind == kToroid ? fp.radius : 0;
    return makeDesign(surfaces, pick(1, 400), unit(rng) < 0.3 ? 0 : pick(0, 3),
                      unit(rng) < 0.5 ? "mm" : "inches");
}

}  // namespace

TEST(AnalysisInvariant, ExampleAndRandomDesigns) {
    std::error_code ec;
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ORVELIN_EXAMPLES, ec)) {
        if (entry.path().extension() != ".ov") continue;
        Design d;
        ASSERT_TRUE(loadDesign(d, entry.path().string()).accepted()) << entry.path();
        // The shipped examples are sound designs: they trace cleanly.
        EXPECT_TRUE(checkInvariant(d, entry.path().filename().string(), true)) << entry.path();
        ++examples;
    }
    EXPECT_GT(examples, 0);

    std::mt19937 rng(20240611);
    const int count = 4000;
    int ok = 0;
    for (int i = 0; i < count; ++i)
        ok += checkInvariant(randomDesign(rng), "random #" + std::to_string(i), i % 40 == 0, i % 4 == 0);
    // The sample must exercise both outcomes to mean anything.
    EXPECT_GT(ok, 200);
    EXPECT_LT(ok, count - 200);
}

TEST(AnalysisInvariant, HostileDesigns) {
    const double inf = std::numeric_limits<double>::infinity(),
                 nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0, -0.0, 1e-300, -1e-300, 1e300, -1e300, inf, -inf, nan, 1, -1, 1e-8, 1e8};
    const Design base = makeDesign({{1000, 0, 5, 400}, {-1500, 60, -8, 500, kToroid}, {}}, 100, 0.5);
    ASSERT_TRUE(checkInvariant(base, "base", true));
    int failed = 0, checked = 0;
    auto check = [&](const Design& d, const std::string& what) {
        failed += !checkInvariant(d, what, ++checked % 10 == 0);
    };
    // One value at a time, through the entered values and the recomputation
    // (as a dialog would) and straight into the derived values (as a
    // numeric file can).
    for (double v : values) {
        for (int i = 1; i <= 3; ++i) {
            for (int field = 0; field < 5; ++field) {
                Design d = base;
                double* entered[] = {&d.surfaces[i].radius, &d.surfaces[i].sagRadius, &d.surfaces[i].conic,
                                     &d.surfaces[i].tilt, &d.surfaces[i].separation};
                *entered[field] = v;
                recomputeSurface(d, i);
                check(d, "entered " + std::to_string(field) + " #" + std::to_string(i));
            }
            for (int field = 0; field < 9; ++field) {
                Design d = base;
                double* derived[] = {&d.surfaces[i].signedRadius,     &d.surfaces[i].curvature,
                                     &d.surfaces[i].sagCurvature,     &d.surfaces[i].oneMinusConic,
                                     &d.surfaces[i].signedSeparation, &d.surfaces[i].sinTilt,
                                     &d.surfaces[i].cosTilt,          &d.surfaces[i].mediumSign,
                                     &d.surfaces[i].signedSagRadius};
                *derived[field] = v;
                check(d, "derived " + std::to_string(field) + " #" + std::to_string(i));
            }
        }
        for (int field = 0; field < 5; ++field) {
            Design d = base;
            double* scalar[] = {&d.semiAperture, &d.sinField, &d.cosField, &d.aperture, &d.fieldSemiAngle};
            *scalar[field] = v;
            check(d, "scalar " + std::to_string(field));
        }
    }
    // Surface counts outside what a design can hold, and kinds no dialog makes.
    for (int n : {-5, 0, 1, 22, 1000}) {
        Design d = base;
        d.surfaceCount = n;
        check(d, "count " + std::to_string(n));
    }
    for (int kind : {-1, 2, 7}) {
        Design d = base;
        d.surfaces[1].kind = d.surfaces[2].kind = kind;
        check(d, "kind " + std::to_string(kind));
    }
    // The full 20 mirrors, alternating, slightly tilted.
    std::vector<SurfaceSpec> many;
    for (int i = 0; i < 20; ++i)
        many.push_back({i % 2 ? -900.0 : 1000.0, 0, i % 3 - 1.0, i % 2 ? 600.0 : -600.0});
    many.push_back({});
    check(makeDesign(many, 20, 0.2), "20 mirrors");
    EXPECT_GT(failed, 0);
}
