#include "exchange/zmx_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace orvelin::exchange {

namespace {

/// Shortest text that reads back to the same double; never "-0".
std::string num(double v) {
    if (v == 0) return "0";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

struct Writer {
    std::string text;
    int surface = 0;

    void line(const std::string& s) { text += s + "\r\n"; }
    void surf() { line("SURF " + std::to_string(surface++)); }
    void field(const std::string& key, const std::string& value) { line("  " + key + " " + value); }

    /// A coordinate break tilting the frame about its x axis.
    void tiltBreak(double tilt, double thickness) {
        surf();
        field("TYPE", "COORDBRK");
        field("CURV", "0");
        field("DISZ", num(thickness));
        field("PARM", "1 0");
        field("PARM", "2 0");
        field("PARM", "3 " + num(tilt));
        field("PARM", "4 0");
        field("PARM", "5 0");
        field("PARM", "6 0");
    }
};

std::string asciiTitle(const std::string& title) {
    std::string out;
    for (unsigned char c : title) out += (c >= 32 && c < 127) ? static_cast<char>(c) : '_';
    return out.empty() ? "Orvelin design" : out;
}

}  // namespace

std::string formatZmx(const Design& d) {
    // The file's frame: z along the light entering the system, the tilts
    // about x, so the plane of the layout is the file's y-z plane.  Each
    // frame of the trace is the file's frame at that surface with z and the
    // tangential axis multiplied by the sign of the entrance space, so
    // curvatures and thicknesses are the trace's signed ones times that sign.
    const int n = std::clamp(d.surfaceCount, 1, kMaxSurfaces);
    const double s1 = d.surfaces[1].mediumSign < 0 ? -1.0 : 1.0;
    Writer w;
    w.line("MODE SEQ");
    w.line("NAME " + asciiTitle(d.designTitle));
    w.line(isMetric(d) ? "UNIT MM X W X CM MR CPMM" : "UNIT IN X W X CM MR CPMM");
    w.line("ENPD " + num(d.aperture));

    // Fields: the axis, both edges in the plane of the tilts and one across it.
    const double phi = d.fieldSemiAngle;
    const std::vector<double> xf = phi == 0 ? std::vector<double>{0} : std::vector<double>{0, 0, 0, phi};
    const std::vector<double> yf = phi == 0 ? std::vector<double>{0} : std::vector<double>{0, phi, -phi, 0};
    w.line("FTYP 0 0 " + std::to_string(xf.size()) + " 1 0 0 0");
    std::string xs = "XFLN", ys = "YFLN";
    for (std::size_t k = 0; k < 12; ++k) {
        xs.append(" ").append(num(k < xf.size() ? xf[k] : 0));
        ys.append(" ").append(num(k < yf.size() ? yf[k] : 0));
    }
    w.line(xs);
    w.line(ys);
    w.line("WAVM 1 " + num(kExportWavelength) + " 1");
    w.line("PWAV 1");

    w.surf();
    w.field("TYPE", "STANDARD");
    w.field("CURV", "0");
    w.field("DISZ", "INFINITY");
    // An air surface ahead of mirror 1, so that the entering beam is drawn.
    double entry = d.aperture;
    for (int i = 1; i < n; ++i) entry = std::max(entry, std::abs(d.surfaces[i].separation));
    w.surf();
    w.field("COMM", "entrance");
    w.field("TYPE", "STANDARD");
    w.field("CURV", "0");
    w.field("DISZ", num(std::isfinite(entry) ? entry : 0));

    for (int i = 1; i <= n; ++i) {
        const Surface& s = d.surfaces[i];
        const bool image = i == n;
        const bool tilted = s.tilt != 0;
        const double thickness = image ? 0 : s1 * s.signedSeparation;
        if (tilted) w.tiltBreak(s.tilt, 0);
        w.surf();
        if (s.kind == kToroid) {
            w.field("COMM", "Orvelin's toroid and TOROIDAL agree to second order");
            w.field("TYPE", "TOROIDAL");
            w.field("CURV", num(s1 * s.curvature));
            w.field("PARM", "1 " + num(s.sagCurvature == 0 ? 0 : s1 * s.signedSagRadius));
        } else {
            w.field("TYPE", "STANDARD");
            w.field("CURV", num(s1 * s.curvature));
            w.field("CONI", num(0.0 - s.conic));
        }
        if (!image) {
            w.field("GLAS", "MIRROR 0 0");
            if (i == 1) w.line("  STOP");
        }
        w.field("DISZ", num(tilted ? 0 : thickness));
        if (tilted && !image) w.tiltBreak(s.tilt, thickness);
    }
    return w.text;
}

WriteResult exportZmxFile(const Design& design, const std::string& path) {
    return writeFileAtomically(path, formatZmx(design));
}

}  // namespace orvelin::exchange
