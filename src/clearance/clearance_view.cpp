#include "clearance/clearance_view.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace orvelin {

namespace {

using gdi::COLORREF;
using gdi::Device;
using gdi::Handle;
using gdi::RGB;

constexpr int kMarginPx = 8;
constexpr int kHeadingPx = 36;  // two lines of the fixed font and some air
constexpr double kTintAlpha = 0.3;
constexpr COLORREF kOutline = RGB(40, 40, 40);
constexpr COLORREF kObstructed = RGB(210, 0, 0);

// One tint per space, repeating: the beams of neighbouring spaces differ.
constexpr COLORREF kTints[] = {RGB(255, 190, 0),  RGB(0, 150, 255),  RGB(0, 190, 110),
                               RGB(190, 80, 255), RGB(255, 100, 40), RGB(0, 200, 200)};

COLORREF tintOf(int space) {
    return kTints[space % (sizeof kTints / sizeof kTints[0])];
}

COLORREF blend(COLORREF under, COLORREF over, double alpha) {
    auto mix = [alpha](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * alpha)); };
    return RGB(mix(gdi::GetRValue(under), gdi::GetRValue(over)),
               mix(gdi::GetGValue(under), gdi::GetGValue(over)),
               mix(gdi::GetBValue(under), gdi::GetBValue(over)));
}

// Screen positions are truncated toward zero; anything beyond any screen is
// pinned far outside it.
int px(double v) {
    if (!(v > -1e8)) return -100000000;
    if (!(v < 1e8)) return 100000000;
    return static_cast<int>(v);
}

// Pens and brushes of the colours one painting needs, each created once and
// deleted when the painting ends.
class Palette {
  public:
    explicit Palette(Device& dc) : dc_(dc) {}
    ~Palette() {
        for (auto& [key, h] : made_) dc_.deleteObject(h);
    }
    Palette(const Palette&) = delete;
    Palette& operator=(const Palette&) = delete;

    Handle brush(COLORREF c) { return get(c, 0); }
    Handle pen(COLORREF c, int width) { return get(c, width); }

  private:
    Handle get(COLORREF c, int penWidth) {
        const std::uint64_t key = (static_cast<std::uint64_t>(penWidth) << 32) | c;
        for (auto& [k, h] : made_)
            if (k == key) return h;
        Handle h = penWidth == 0 ? dc_.createSolidBrush(c) : dc_.createPen(gdi::PS_SOLID, penWidth, c);
        made_.push_back({key, h});
        return h;
    }
    Device& dc_;
    std::vector<std::pair<std::uint64_t, Handle>> made_;
};

struct Mapper {
    ClearancePicture pic;
    double x(double X) const { return pic.x0 + X / pic.k; }
    double y(double Y) const { return pic.y0 + Y / pic.k; }
    Vec2 operator()(Vec2 p) const { return {x(p.x), y(p.y)}; }
};

// Clip the segment a-b to the rectangle (Liang-Barsky); false when nothing
// of it is inside.
bool clip(Vec2& a, Vec2& b, const gdi::Rect& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {a.x - r.left, r.right - 1 - a.x, a.y - r.top, r.bottom - 1 - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1) return false;
    }
    const Vec2 a0 = a;
    a = {a0.x + t0 * dx, a0.y + t0 * dy};
    b = {a0.x + t1 * dx, a0.y + t1 * dy};
    return true;
}

void segment(Device& dc, Vec2 a, Vec2 b, const gdi::Rect& area) {
    if (!clip(a, b, area)) return;
    dc.moveTo(px(a.x), px(a.y));
    dc.lineTo(px(b.x), px(b.y));
    dc.lineTo(px(b.x) + 1, px(b.y));  // paint the end point too
}

// The envelopes, row by row: each pixel whose centre lies inside some
// space's beam takes the background tinted by every beam that covers it.
void fillEnvelopes(Device& dc, Palette& palette, const ClearanceReport& report, const Mapper& map) {
    const gdi::Rect& area = map.pic.area;
    const int width = area.width();
    if (width <= 0 || area.height() <= 0) return;
    struct PixelPiece {
        std::array<Vec2, 4> p;
        int count;
        int space;
    };
    std::vector<PixelPiece> pieces;
    for (size_t j = 0; j < report.envelopes.size() && j < 32; ++j)
        for (const ConvexPiece& c : report.envelopes[j].pieces) {
            if (c.count < 3) continue;
            PixelPiece p{{}, c.count, static_cast<int>(j)};
            for (int i = 0; i < c.count; ++i) p.p[i] = map(c.corner[i]);
            pieces.push_back(p);
        }
    std::vector<std::uint32_t> cover(width);
    for (int row = area.top; row < area.bottom; ++row) {
        std::fill(cover.begin(), cover.end(), 0u);
        const double yc = row + 0.5;
        for (const PixelPiece& p : pieces) {
            double lo = INFINITY, hi = -INFINITY;
            for (int i = 0; i < p.count; ++i) {
                const Vec2 a = p.p[i], b = p.p[(i + 1) % p.count];
                if ((a.y <= yc && yc < b.y) || (b.y <= yc && yc < a.y)) {
                    const double x = a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y);
                    lo = std::min(lo, x);
                    hi = std::max(hi, x);
                }
            }
            if (!(lo <= hi)) continue;
            // Columns whose centres lie inside.
            const double first = std::max(std::ceil(lo - 0.5), static_cast<double>(area.left));
            const double last = std::min(std::floor(hi - 0.5), static_cast<double>(area.right - 1));
            for (int c = static_cast<int>(first); c <= static_cast<int>(last) && first <= last; ++c)
                cover[c - area.left] |= 1u << p.space;
        }
        for (int c = 0; c < width;) {
            const std::uint32_t mask = cover[c];
            int end = c + 1;
            while (end < width && cover[end] == mask) ++end;
            if (mask != 0) {
                COLORREF colour = kClearanceBackground;
                for (int j = 0; j < 32; ++j)
                    if (mask & (1u << j)) colour = blend(colour, tintOf(j), kTintAlpha);
                dc.fillRect({area.left + c, row, area.left + end, row + 1}, palette.brush(colour));
            }
            c = end;
        }
    }
}

std::string figure(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

}  // namespace

ClearancePicture fitClearancePicture(const ClearanceReport& report, const gdi::Rect& box, int unit) {
    ClearancePicture pic;
    const int left = box.left + kMarginPx * unit, top = box.top + kHeadingPx * unit;
    pic.area = {left, top, std::max(left, box.right - kMarginPx * unit),
                std::max(top, box.bottom - kMarginPx * unit)};
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    auto take = [&](Vec2 p) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    };
    for (size_t i = 1; i < report.bodies.size(); ++i) {
        for (Vec2 p : report.bodies[i].face) take(p);
        for (Vec2 p : report.bodies[i].back) take(p);
    }
    for (const BeamEnvelope& e : report.envelopes)
        for (const FieldBeam& f : e.fields) {
            take(f.plusTo);
            take(f.minusTo);
            if (e.from != 0) {
                take(f.plusFrom);
                take(f.minusFrom);
            }
        }
    if (!(minX <= maxX)) minX = maxX = minY = maxY = 0;
    double width = maxX - minX, height = maxY - minY;
    const double run = 0.1 * std::max(width, height);  // room for the incoming beam
    minX -= run > 0 ? run : 1;
    width = maxX - minX;
    const double kx = width / std::max(1, pic.area.width());
    const double ky = height / std::max(1, pic.area.height());
    pic.k = std::max(kx, ky);
    if (!(pic.k > 0) || !std::isfinite(pic.k)) pic.k = 1;
    pic.x0 = pic.area.left + (pic.area.width() - width / pic.k) * 0.5 - minX / pic.k;
    pic.y0 = pic.area.top + (pic.area.height() - height / pic.k) * 0.5 - minY / pic.k;
    return pic;
}

std::string clearanceHeading(const Design& design, const ClearanceReport& report) {
    if (report.pairs.empty()) return "Clearance: nothing to check";
    const ClearancePair& p = report.pairs.front();
    std::string where = p.space == 0 ? "entrance beam" : "beam " + clearanceSpaceName(p.space);
    return "Smallest clearance " + figure(p.clearance) + " " + design.units + " (surface " +
           std::to_string(p.surface) + ", " + where + "): " + (report.clear ? "clear" : "obstructed");
}

namespace {

// The view inside `box`: the heading, the beams, the bodies and the short
// clearances, in the font already selected, `unit` device pixels to a
// screen pixel.
ClearanceReport drawClearanceView(Device& dc, const Design& design, const ClearanceOptions& options,
                                  const gdi::Rect& box, int unit) {
    ClearanceReport report = checkClearance(design, options);
    dc.setBkMode(gdi::TRANSPARENT);
    const int textX = box.left + kMarginPx * unit;
    const int lineHeight = 14 * unit;
    if (report.status != kTraceOk) {
        dc.setTextColor(RGB(0, 32, 192));
        dc.textOut(textX, box.top + 4 * unit, "* Trace problem *");
        dc.setTextColor(RGB(0, 0, 0));
        dc.textOut(textX, box.top + 4 * unit + lineHeight, traceProblemMessage(report.status));
        return report;
    }
    dc.setTextColor(report.clear ? RGB(0, 0, 0) : kObstructed);
    dc.textOut(textX, box.top + 4 * unit, clearanceHeading(design, report));
    dc.setTextColor(RGB(64, 64, 64));
    const std::string thickness =
        options.thickness < 0 ? std::string("1/6 of each diameter") : figure(options.thickness);
    dc.textOut(
        textX, box.top + 4 * unit + lineHeight,
        "edge " + figure(options.edge) + "  thickness " + thickness + "  margin " + figure(options.margin));

    const Mapper map{fitClearancePicture(report, box, unit)};
    const gdi::Rect& area = map.pic.area;
    Palette palette(dc);
    fillEnvelopes(dc, palette, report, map);

    // The marginal rays of every field, in a deeper shade of the beam.
    const Handle oldPen = dc.selectObject(dc.getStockObject(gdi::BLACK_PEN));
    for (size_t j = 0; j < report.envelopes.size(); ++j) {
        dc.selectObject(palette.pen(blend(tintOf(static_cast<int>(j)), RGB(0, 0, 0), 0.35), unit));
        for (const FieldBeam& f : report.envelopes[j].fields) {
            segment(dc, map(f.plusFrom), map(f.plusTo), area);
            segment(dc, map(f.minusFrom), map(f.minusTo), area);
        }
    }

    // The bodies: outlined, red where they stand in a beam or closer to one
    // than the margin.
    const int n = static_cast<int>(report.bodies.size()) - 1;
    std::vector<std::vector<const ClearancePair*>> shortOf(n + 1);
    for (const ClearancePair& p : report.pairs)
        if (p.clearance < options.margin) shortOf[p.surface].push_back(&p);
    for (int i = 1; i <= n; ++i) {
        const SurfaceBody& body = report.bodies[i];
        const bool blocked = !shortOf[i].empty();
        dc.selectObject(palette.pen(blocked ? kObstructed : kOutline, (blocked ? 2 : 1) * unit));
        std::vector<Vec2> outline(body.face.begin(), body.face.end());
        if (body.thickness > 0) {
            outline.insert(outline.end(), body.back.rbegin(), body.back.rend());
            outline.push_back(body.face.front());
        }
        for (size_t k = 1; k < outline.size(); ++k) segment(dc, map(outline[k - 1]), map(outline[k]), area);
        if (outline.size() == 1) segment(dc, map(outline[0]), map(outline[0]), area);

        // The surface's number beside its first rim, the short clearances
        // beside the other, on the background's colour so that they read
        // over the beams.
        const Vec2 numberAt = map(body.face.front());
        dc.setTextColor(blocked ? kObstructed : RGB(0, 0, 0));
        dc.textOut(px(numberAt.x) - 12 * unit, px(numberAt.y) - 6 * unit, std::to_string(i));
        const Vec2 labelAt = map(body.face.back());
        dc.setBkMode(gdi::OPAQUE);
        dc.setBkColor(kClearanceBackground);
        int line = 0;
        for (const ClearancePair* p : shortOf[i])
            dc.textOut(px(labelAt.x) + 6 * unit, px(labelAt.y) - 6 * unit + 12 * unit * line++,
                       figure(p->clearance) + " (" + clearanceSpaceName(p->space) + ")");
        dc.setBkMode(gdi::TRANSPARENT);
    }
    dc.selectObject(oldPen);
    return report;  // the palette's pens and brushes go here, none of them selected
}

}  // namespace

ClearanceReport paintClearanceView(Device& dc, const Design& design, const ClearanceOptions& options) {
    const gdi::Rect client = dc.clientRect();
    Handle background = dc.createSolidBrush(kClearanceBackground);
    dc.fillRect(client, background);
    dc.deleteObject(background);
    const Handle oldFont = dc.selectObject(dc.getStockObject(gdi::OEM_FIXED_FONT));
    ClearanceReport report = drawClearanceView(dc, design, options, client, 1);
    dc.selectObject(oldFont);
    return report;
}

ClearanceReport printClearanceView(Device& dc, const Design& design, const ClearanceOptions& options,
                                   const gdi::Rect& box, int unit) {
    unit = std::max(1, unit);
    gdi::FontSpec spec;
    spec.height = 12 * unit;
    spec.face = "Courier New";
    const Handle font = dc.createFont(spec);
    const Handle oldFont = dc.selectObject(font);
    ClearanceReport report = drawClearanceView(dc, design, options, box, unit);
    dc.selectObject(oldFont);
    dc.deleteObject(font);
    return report;
}

}  // namespace orvelin
