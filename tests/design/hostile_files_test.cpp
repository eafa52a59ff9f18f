// Hostile design files: every file in tests/data/hostile has its expected
// behaviour written down here, and the test holds the loader, the analysis
// and the design view to it.  A file is either refused with a reason, loaded
// with a damage warning that names the line, or loaded and traced with a
// stated TraceStatus; in no case may a NaN or an infinity reach a value or a
// text the user is shown.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "design/design.h"
#include "design/design_file.h"
#include "platform/recording_device.h"
#include "reports/design_view.h"
#include "reports/report_figures.h"
#include "reports/screen_report.h"
#include "support/files.h"
#include "trace/analysis.h"
#include "trace/layout.h"

using namespace orvelin;
namespace fs = std::filesystem;

namespace {

using orvelin::testing::readAll;

const fs::path kHostile = fs::path(ORVELIN_TEST_DATA) / "hostile";

constexpr int kNotTraced = -1;
// For a design with no optical meaning (medium signs that are not +-1): any
// outcome will do as long as it is either a clean trace with finite figures
// or a failure shown with its reason.
constexpr int kAnyOutcome = -2;

struct Expected {
    LoadStatus load;
    std::string messagePart;  ///< must appear in the load message ("" for ok)
    int damagedLine;          ///< for damaged files
    int surfaceCount;         ///< after an accepted load
    TraceStatus trace;        ///< after an accepted load, or kNotTraced
};

// What each file must do, and why.
const std::map<std::string, Expected>& expectations() {
    static const std::map<std::string, Expected> table = {
        // Counts the fixed arrays cannot hold are refused before anything is read.
        {"too-many-mirrors.ov", {LoadStatus::refused, "21 mirrors", 0, 0, kNotTraced}},
        {"too-many-surfaces-numeric.ov", {LoadStatus::refused, "22 surfaces", 0, 0, kNotTraced}},
        {"negative-count.ov", {LoadStatus::refused, "-3 mirrors", 0, 0, kNotTraced}},
        {"negative-count-numeric.ov", {LoadStatus::refused, "-2 surfaces", 0, 0, kNotTraced}},

        // The f/5 paraboloid scaled by 1e147 and by 1e-100: optics does not
        // care about the scale, so both trace cleanly (figures checked below).
        {"huge-numbers.ov", {LoadStatus::ok, "", 0, 2, kTraceOk}},
        {"tiny-numbers.ov", {LoadStatus::ok, "", 0, 2, kTraceOk}},
        // Radius 1e308 with aperture 1e300, and radius 1e-300 with a
        // subnormal aperture: the squares in the entrance sag leave the
        // double range, no entrance point on surface 1 can be found, and the
        // light is reported as missing it.
        {"overflow-numbers.ov", {LoadStatus::ok, "", 0, 2, traceMissStatus(1)}},
        {"underflow-numbers.ov", {LoadStatus::ok, "", 0, 2, traceMissStatus(1)}},

        // "nan", "inf", "-infinity" convert but are not numbers a design can
        // use: each keeps the value it had (0 in a fresh design), the file is
        // damaged from line 8, and the aperture, "nan" too, stays 0.
        {"nan-inf-texts.ov", {LoadStatus::damaged, "line 8", 8, 3, kTraceApertureZero}},
        {"nan-inf-numeric.ov", {LoadStatus::damaged, "line 4", 4, 3, kTraceApertureZero}},
        // Medium signs that are not numbers, or so large that the entered
        // values derived from them overflow: those are kept at their old
        // values.  What such a design traces to has no meaning.
        {"nan-medium-sign-numeric.ov", {LoadStatus::damaged, "line 2", 2, 2, kAnyOutcome}},
        {"huge-medium-sign-numeric.ov", {LoadStatus::damaged, "line 4", 4, 2, kAnyOutcome}},
        // A field semi-angle of 1e308: its full angle, which the saved file
        // holds, would overflow, so it is not taken; the rest traces.
        {"huge-field-numeric.ov", {LoadStatus::damaged, "line 5", 5, 2, kTraceOk}},
        // A semi-aperture of 1e308 likewise: the aperture stays 0.
        {"huge-aperture-numeric.ov", {LoadStatus::damaged, "line 5", 5, 2, kTraceApertureZero}},
        // "six-hundred" stops the row of surface 2; scanning goes on from
        // there, and what follows happens to trace.
        {"letters-in-value-column.ov", {LoadStatus::damaged, "surface 2", 8, 3, kTraceOk}},
        // The file ends inside the row of surface 2: no aperture.
        {"cut-mid-row.ov", {LoadStatus::damaged, "line 8", 8, 3, kTraceApertureZero}},
        // No mirror count: a lone focal plane, with no aperture.
        {"binary-noise.ov", {LoadStatus::damaged, "the number of mirrors", 3, 1, kTraceApertureZero}},
        {"empty.ov", {LoadStatus::damaged, "line 1", 1, 1, kTraceApertureZero}},

        // Windows and mixed line ends read like "\n".
        {"crlf-line-ends.ov", {LoadStatus::ok, "", 0, 3, kTraceOk}},
        {"mixed-line-ends.ov", {LoadStatus::ok, "", 0, 3, kTraceOk}},
        // Negative zeros everywhere, the field angle included.
        {"negative-zero.ov", {LoadStatus::ok, "", 0, 2, kTraceNoFocus}},

        // A saddle-shaped toroid (Rtan 100, Rsag -55) tilted 32 degrees,
        // filled to its sagittal rim: the successive tangent planes do not
        // settle, which counts as light missing the toroid.
        {"toroid-diverges.ov", {LoadStatus::ok, "", 0, 2, traceMissStatus(1)}},
        // Aperture 300 on a sphere of radius 100.
        {"light-misses-surface-1.ov", {LoadStatus::ok, "", 0, 2, traceMissStatus(1)}},
        // The beam is still 60 wide where a sphere of radius 10 waits.
        {"light-misses-surface-2.ov", {LoadStatus::ok, "", 0, 3, traceMissStatus(2)}},
        // Flat mirrors keep a parallel beam parallel.
        {"zero-radii.ov", {LoadStatus::ok, "", 0, 3, kTraceNoFocus}},
        // Two mirrors in contact act as one: a focus, finite figures.
        {"zero-separations.ov", {LoadStatus::ok, "", 0, 3, kTraceOk}},
        // A paraboloid seen edge on forms no image.
        {"tilt-90-degrees.ov", {LoadStatus::ok, "", 0, 2, kTraceNoFocus}},
        // A flat seen edge on has no rim: the converging beam grazes it and
        // goes on to a focus.
        {"tilt-90-degrees-second.ov", {LoadStatus::ok, "", 0, 3, kTraceOk}},
        {"aperture-zero.ov", {LoadStatus::ok, "", 0, 2, kTraceApertureZero}},
        // Found by fuzzing: scanning resumes inside a broken row and finds,
        // among others, a flat tilted 90 degrees; the trace is clean but the
        // drawn rays run a hundred million pixels off the screen, where
        // their positions must be pinned, not overflow an int.
        {"layout-far-off-screen.ov", {LoadStatus::damaged, "line 7", 7, 5, kTraceOk}},
    };
    return table;
}

std::string lowered(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Every text drawn on a device, for the NaN check.
void expectNoNonFiniteText(const draw::RecordingDevice& dev) {
    for (const draw::DrawCall& c : dev.calls()) {
        const std::string t = lowered(c.text);
        EXPECT_EQ(t.find("nan"), std::string::npos) << c.str();
        EXPECT_EQ(t.find("inf"), std::string::npos) << c.str();
    }
}

void expectFiniteEnteredValues(const Design& d) {
    EXPECT_TRUE(std::isfinite(d.aperture));
    EXPECT_TRUE(std::isfinite(d.fieldSemiAngle));
    EXPECT_TRUE(std::isfinite(2 * d.fieldSemiAngle)) << "the full field angle is what is saved";
    for (int i = 1; i <= d.surfaceCount; ++i) {
        for (double v : {d.surfaces[i].radius, d.surfaces[i].sagRadius, d.surfaces[i].conic,
                         d.surfaces[i].tilt, d.surfaces[i].separation})
            EXPECT_TRUE(std::isfinite(v)) << "surface " << i;
        for (double v : {d.surfaces[i].curvature, d.surfaces[i].sagCurvature, d.surfaces[i].sinTilt,
                         d.surfaces[i].cosTilt})
            EXPECT_TRUE(std::isfinite(v)) << "surface " << i;
    }
}

}  // namespace

TEST(HostileFiles, EachFileBehavesAsWrittenDown) {
    int checked = 0;
    for (const auto& [name, want] : expectations()) {
        SCOPED_TRACE(name);
        const fs::path path = kHostile / name;
        ASSERT_TRUE(fs::is_regular_file(path));

        Design design;
        design.designTitle = "untouched";
        const LoadResult r = loadDesign(design, path.string());
        EXPECT_EQ(r.status, want.load) << r.message;
        EXPECT_NE(r.message.find(want.messagePart), std::string::npos) << r.message;
        ++checked;
        if (!r.accepted()) {
            EXPECT_FALSE(r.message.empty());
            EXPECT_EQ(design.surfaceCount, 0) << "a refused file leaves the design alone";
            EXPECT_EQ(design.designTitle, "untouched");
            continue;
        }
        if (want.load == LoadStatus::damaged) {
            EXPECT_EQ(r.damagedLine, want.damagedLine) << r.message;
        } else {
            EXPECT_TRUE(r.message.empty()) << r.message;
        }
        EXPECT_EQ(design.surfaceCount, want.surfaceCount);
        expectFiniteEnteredValues(design);

        TraceState trace;
        AnalysisResults results;
        const bool clean = analyseSystem(design, trace, results);
        const TraceStatus expectedStatus = want.trace == kAnyOutcome ? trace.status : want.trace;
        EXPECT_EQ(trace.status, expectedStatus) << traceProblemMessage(trace.status);
        EXPECT_EQ(clean, expectedStatus == kTraceOk);
        if (clean) {
            for (const AnalysisFigure& f : analysisFigures(results))
                EXPECT_TRUE(std::isfinite(f.value)) << f.name;
        }

        // The design view shows the table and then the layout, or the
        // trace-problem banner with the same reason.
        draw::RecordingDevice window(640, 413, 1024, 768);
        const DesignAnalysis analysis = analyseDesign(design);
        drawDesignView(window, design, analysis);
        EXPECT_EQ(analysis.status, expectedStatus);
        expectNoNonFiniteText(window);
        bool bannerShown = false;
        for (const draw::DrawCall& c : window.calls())
            bannerShown = bannerShown || c.text.find("* Trace problem *") != std::string::npos;
        EXPECT_EQ(bannerShown, !clean);
        if (!clean) {
            bool reasonShown = false;
            const std::string reason = traceProblemMessage(expectedStatus);
            for (const draw::DrawCall& c : window.calls())
                reasonShown = reasonShown || c.text.find(reason) != std::string::npos;
            EXPECT_TRUE(reasonShown) << reason;
        } else {
            EXPECT_TRUE(std::isfinite(analysis.geometry.layoutFRatio));
            draw::RecordingDevice report(640, 413, 1024, 768);
            PaintViewPage(report, kViewTraceReport, design, results);
            expectNoNonFiniteText(report);
        }
    }
    EXPECT_EQ(checked, static_cast<int>(expectations().size()));
}

TEST(HostileFiles, EveryFileInTheCorpusHasAnExpectation) {
    int files = 0;
    for (const fs::directory_entry& e : fs::directory_iterator(kHostile)) {
        ++files;
        EXPECT_TRUE(expectations().count(e.path().filename().string()))
            << e.path().filename() << " has no written-down behaviour";
    }
    EXPECT_EQ(files, static_cast<int>(expectations().size()));
}

// Geometric optics has no scale: the f/5 paraboloid blown up by 1e147 or
// shrunk by 1e-100 has every length figure scaled by the same factor and
// every angle and ratio unchanged.
TEST(HostileFiles, ScaledDesignsGiveScaledFigures) {
    Design base;
    ASSERT_EQ(loadDesign(base, (fs::path(ORVELIN_EXAMPLES) / "paraboloid-f5.ov").string()).status,
              LoadStatus::ok);
    TraceState t;
    AnalysisResults want;
    ASSERT_TRUE(analyseSystem(base, t, want));
    const auto baseFigures = analysisFigures(want);
    const std::map<std::string, bool> scaleFree = {{"fRatio", true},      {"laTolerance", true},
                                                   {"tiltS", true},       {"tiltT", true},
                                                   {"bestFitTilt", true}, {"anamorphism", true}};
    for (const auto& [name, scale] : {std::pair<const char*, double>{"huge-numbers.ov", 1e147},
                                      std::pair<const char*, double>{"tiny-numbers.ov", 1e-100}}) {
        SCOPED_TRACE(name);
        Design d;
        ASSERT_EQ(loadDesign(d, (kHostile / name).string()).status, LoadStatus::ok);
        AnalysisResults got;
        ASSERT_TRUE(analyseSystem(d, t, got));
        const auto figures = analysisFigures(got);
        for (int i = 0; i < kAnalysisFigureCount; ++i) {
            const double expected = baseFigures[i].value * (scaleFree.count(baseFigures[i].name) ? 1 : scale);
            EXPECT_NEAR(figures[i].value, expected, 1e-9 * std::fabs(expected) + 1e-9 * scale)
                << figures[i].name;
        }
    }
}

// Line ends: a file with CRLF or a mix of CRLF, LF and lone CR loads exactly
// like the same file with "\n" only.
TEST(HostileFiles, LineEndsDoNotChangeTheDesign) {
    for (const char* name : {"crlf-line-ends.ov", "mixed-line-ends.ov"}) {
        SCOPED_TRACE(name);
        std::string raw = readAll(kHostile / name);
        std::string unix;
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r') {
                if (i + 1 < raw.size() && raw[i + 1] == '\n') continue;
                unix += '\n';
            } else {
                unix += raw[i];
            }
        }
        ASSERT_NE(raw, unix) << "the file must hold CR characters";
        Design a, b;
        const LoadResult ra = loadDesignFromText(a, raw, name);
        const LoadResult rb = loadDesignFromText(b, unix, name);
        EXPECT_EQ(ra.status, LoadStatus::ok) << ra.message;
        EXPECT_EQ(rb.status, LoadStatus::ok) << rb.message;
        EXPECT_EQ(formatDesign(a, 0), formatDesign(b, 0));
        EXPECT_EQ(a.surfaceCount, 3);
        EXPECT_EQ(a.surfaces[2].radius, 600);
        EXPECT_EQ(a.surfaces[2].conic, 3.2);
        EXPECT_EQ(a.aperture, 200);
    }
}

// The writer's fixes: a negative zero must not fuse with the word before it,
// and a design read from any corpus file that loads is written so that it
// reads back undamaged with the same text.
TEST(HostileFiles, WhatLoadsIsSavedSoThatItReadsBack) {
    for (const auto& [name, want] : expectations()) {
        if (want.load == LoadStatus::refused || want.load == LoadStatus::unreadable) continue;
        SCOPED_TRACE(name);
        Design first;
        ASSERT_TRUE(loadDesign(first, (kHostile / name).string()).accepted());
        const std::string text = formatDesign(first, 4);
        Design second;
        const LoadResult r = loadDesignFromText(second, text, name);
        EXPECT_EQ(r.status, LoadStatus::ok) << r.message << "\n" << text;
        EXPECT_EQ(formatDesign(second, 4), text);
    }
    Design zero;
    ASSERT_TRUE(loadDesign(zero, (kHostile / "negative-zero.ov").string()).accepted());
    EXPECT_TRUE(std::signbit(zero.fieldSemiAngle));
    const std::string text = formatDesign(zero, 0);
    EXPECT_NE(text.find(" Field -0 Degrees"), std::string::npos) << text;
}

// Files that are no design at all, made here rather than stored: a folder,
// a 100 MB file, a missing file, a named pipe nobody writes to, and an
// endless device.  Each is refused with a reason, at once, and leaves the
// design as it was.
TEST(HostileFiles, ThingsThatAreNotDesignFiles) {
    const fs::path dir = fs::temp_directory_path() / ("orvelin-hostile-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    struct Cleanup {
        fs::path p;
        ~Cleanup() { fs::remove_all(p); }
    } cleanup{dir};

    Design before;
    ASSERT_EQ(loadDesign(before, (fs::path(ORVELIN_EXAMPLES) / "paraboloid-f5.ov").string()).status,
              LoadStatus::ok);
    const std::string saved = formatDesign(before, 0);
    auto expectRefused = [&](const fs::path& p, LoadStatus status, const std::string& part) {
        SCOPED_TRACE(p.string());
        Design d = before;
        const LoadResult r = loadDesign(d, p.string());
        EXPECT_EQ(r.status, status) << r.message;
        EXPECT_NE(r.message.find(part), std::string::npos) << r.message;
        EXPECT_EQ(r.oldSurfaceCount, 2);
        EXPECT_EQ(formatDesign(d, 0), saved);
        EXPECT_EQ(d.designTitle, before.designTitle);
    };

    const fs::path folder = dir / "folder.ov";
    fs::create_directories(folder);
    expectRefused(folder, LoadStatus::unreadable, "folder");

    // 100 MB of a valid header followed by blanks: refused by its size
    // before it is read.
    const fs::path big = dir / "big.ov";
    {
        std::ofstream out(big, std::ios::binary);
        out << "QuorVex V0.90  big\n\n 1 surface design\n";
        const std::string block(1 << 20, ' ');
        for (int i = 0; i < 100; ++i) out << block;
    }
    ASSERT_GE(fs::file_size(big), 100u << 20);
    expectRefused(big, LoadStatus::refused, "too large");

    expectRefused(dir / "missing.ov", LoadStatus::unreadable, "No such file");

    // A named pipe with no writer must not block the open; reading it finds
    // an empty file at once.
    const fs::path fifo = dir / "pipe.ov";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Design fromPipe = before;
    const LoadResult r = loadDesign(fromPipe, fifo.string());
    EXPECT_EQ(r.status, LoadStatus::damaged) << r.message;
    EXPECT_EQ(fromPipe.surfaceCount, 1);

    // An endless device is cut off at the size limit, not read for ever.
    if (fs::exists("/dev/zero")) expectRefused("/dev/zero", LoadStatus::refused, "too large");
}
