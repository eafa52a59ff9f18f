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

using draw::Colour;
using draw::Device;
using draw::Font;
using draw::rgb;

constexpr int kMarginPx = 8;
// Room kept round the drawing inside the picture's area, so that nothing
// sits on the window's edge and a surface's number has a place beside any
// rim.
constexpr int kLabelRoomPx = 20;
constexpr int kHeadingPx = 36;  // two lines of the fixed font and some air
constexpr double kTintAlpha = 0.3;
constexpr Colour kOutline = rgb(40, 40, 40);
constexpr Colour kObstructed = rgb(210, 0, 0);

// One tint per space, repeating: the beams of neighbouring spaces differ.
constexpr Colour kTints[] = {rgb(255, 190, 0),  rgb(0, 150, 255),  rgb(0, 190, 110),
                             rgb(190, 80, 255), rgb(255, 100, 40), rgb(0, 200, 200)};

Colour tintOf(int space) {
    return kTints[space % (sizeof kTints / sizeof kTints[0])];
}

Colour blend(Colour under, Colour over, double alpha) {
    auto mix = [alpha](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * alpha)); };
    return rgb(mix(under.r, over.r), mix(under.g, over.g), mix(under.b, over.b));
}

// Screen positions are truncated toward zero; anything beyond any screen is
// pinned far outside it.
int px(double v) {
    if (!(v > -1e8)) return -100000000;
    if (!(v < 1e8)) return 100000000;
    return static_cast<int>(v);
}

struct Mapper {
    ClearancePicture pic;
    double x(double X) const { return pic.x0 + X / pic.k; }
    double y(double Y) const { return pic.y0 + Y / pic.k; }
    Vec2 operator()(Vec2 p) const { return {x(p.x), y(p.y)}; }
};

// Clip the segment a-b to the rectangle (Liang-Barsky); false when nothing
// of it is inside.
bool clip(Vec2& a, Vec2& b, const draw::Rect& r) {
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

void segment(Device& dc, Vec2 a, Vec2 b, const draw::Rect& area, const draw::Pen& pen) {
    if (!clip(a, b, area)) return;
    // The last step paints the end point too.
    dc.polyline({{px(a.x), px(a.y)}, {px(b.x), px(b.y)}, {px(b.x) + 1, px(b.y)}}, pen);
}

// The envelopes, row by row: each pixel whose centre lies inside some
// space's beam takes the background tinted by every beam that covers it.
void fillEnvelopes(Device& dc, const ClearanceReport& report, const Mapper& map) {
    const draw::Rect& area = map.pic.area;
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
                Colour colour = kClearanceBackground;
                for (int j = 0; j < 32; ++j)
                    if (mask & (1u << j)) colour = blend(colour, tintOf(j), kTintAlpha);
                dc.fill({area.left + c, row, area.left + end, row + 1}, colour);
            }
            c = end;
        }
    }
}

/// The room kept round the drawing in an area, less in a small one.
int labelRoom(const draw::Rect& area, int unit) {
    return std::max(0, std::min(kLabelRoomPx * unit, std::min(area.width(), area.height()) / 4));
}

/// Whether a convex polygon and a rectangle overlap: they do unless an axis
/// of the rectangle or an edge normal of the polygon separates them.
bool overlaps(const std::vector<Vec2>& poly, const draw::Rect& r) {
    if (poly.empty()) return false;
    const Vec2 box[4] = {{double(r.left), double(r.top)},
                         {double(r.right), double(r.top)},
                         {double(r.right), double(r.bottom)},
                         {double(r.left), double(r.bottom)}};
    auto separated = [&](Vec2 axis) {
        double a0 = INFINITY, a1 = -INFINITY, b0 = INFINITY, b1 = -INFINITY;
        for (Vec2 p : poly) {
            const double t = p.x * axis.x + p.y * axis.y;
            a0 = std::min(a0, t);
            a1 = std::max(a1, t);
        }
        for (Vec2 p : box) {
            const double t = p.x * axis.x + p.y * axis.y;
            b0 = std::min(b0, t);
            b1 = std::max(b1, t);
        }
        return a1 <= b0 || b1 <= a0;
    };
    if (separated({1, 0}) || separated({0, 1})) return false;
    for (size_t i = 0; i < poly.size(); ++i) {
        const Vec2 a = poly[i], b = poly[(i + 1) % poly.size()];
        if ((a.x != b.x || a.y != b.y) && separated({b.y - a.y, a.x - b.x})) return false;
    }
    return true;
}

/// Places the surfaces' numbers near a rim where no beam, no body and no
/// other number lies, inside the picture.
class LabelPlacer {
  public:
    LabelPlacer(const ClearanceReport& report, const Mapper& map, const draw::Rect& area) : area_(area) {
        auto take = [&](const ConvexPiece& c) {
            std::vector<Vec2> poly;
            for (int i = 0; i < c.count; ++i) poly.push_back(map(c.corner[i]));
            shapes_.push_back(std::move(poly));
        };
        for (const BeamEnvelope& e : report.envelopes)
            for (const ConvexPiece& c : e.pieces) take(c);
        for (size_t i = 1; i < report.bodies.size(); ++i) {
            for (const ConvexPiece& c : report.bodies[i].pieces) take(c);
            // A body without thickness has no strips: its face, point by point.
            const auto& face = report.bodies[i].face;
            for (size_t k = 1; k < face.size(); ++k) shapes_.push_back({map(face[k - 1]), map(face[k])});
            if (face.size() == 1) shapes_.push_back({map(face[0])});
        }
    }

    /// The top-left corner for text of `size` beside one of `rims`; the
    /// first rim's upper left when no place is clear.
    draw::Point place(const std::vector<Vec2>& rims, draw::Size size, int unit) {
        // Eight directions, nearest first, at growing distances.
        static constexpr double kDirections[8][2] = {{-1, -1}, {-1, 0}, {0, -1}, {1, -1},
                                                     {-1, 1},  {1, 0},  {0, 1},  {1, 1}};
        const double half = 0.5 * std::max(size.width, size.height);
        for (int distance : {4, 10, 18, 30, 46})
            for (Vec2 rim : rims)
                for (const auto& d : kDirections) {
                    const double len = std::hypot(d[0], d[1]);
                    const double cx = rim.x + d[0] / len * (distance * unit + half);
                    const double cy = rim.y + d[1] / len * (distance * unit + half);
                    const draw::Rect r{px(cx - size.width / 2.0), px(cy - size.height / 2.0), 0, 0};
                    const draw::Rect box{r.left, r.top, r.left + size.width, r.top + size.height};
                    if (clear(box)) {
                        taken_.push_back(box);
                        return {box.left, box.top};
                    }
                }
        const Vec2 first = rims.front();
        return {px(first.x) - 12 * unit, px(first.y) - 6 * unit};
    }

  private:
    bool clear(const draw::Rect& r) const {
        if (r.left < area_.left || r.top < area_.top || r.right > area_.right || r.bottom > area_.bottom)
            return false;
        for (const draw::Rect& t : taken_)
            if (r.left < t.right && t.left < r.right && r.top < t.bottom && t.top < r.bottom) return false;
        for (const auto& shape : shapes_)
            if (overlaps(shape, r)) return false;
        return true;
    }

    draw::Rect area_;
    std::vector<std::vector<Vec2>> shapes_;
    std::vector<draw::Rect> taken_;
};

std::string figure(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
}

}  // namespace

ClearancePicture fitClearancePicture(const ClearanceReport& report, const draw::Rect& box, int unit) {
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
    // The drawing, the incoming beam included, keeps some room from the
    // edges where there is any: the surfaces' numbers may stand there.
    const int room = labelRoom(pic.area, unit);
    pic.area = {pic.area.left + room, pic.area.top + room, pic.area.right - room, pic.area.bottom - room};
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
// clearances, in `font`, `unit` device pixels to a screen pixel.
void drawClearanceView(Device& dc, const Design& design, const ClearanceOptions& options,
                       const ClearanceReport& report, const draw::Rect& box, int unit, const Font& font) {
    const int textX = box.left + kMarginPx * unit;
    const int lineHeight = 14 * unit;
    if (report.status != kTraceOk) {
        dc.text({textX, box.top + 4 * unit}, "* Trace problem *", font, rgb(0, 32, 192));
        dc.text({textX, box.top + 4 * unit + lineHeight}, traceProblemMessage(report.status), font,
                rgb(0, 0, 0));
        return;
    }
    dc.text({textX, box.top + 4 * unit}, clearanceHeading(design, report), font,
            report.clear ? rgb(0, 0, 0) : kObstructed);
    const std::string thickness =
        options.thickness < 0 ? std::string("1/6 of each diameter") : figure(options.thickness);
    dc.text(
        {textX, box.top + 4 * unit + lineHeight},
        "edge " + figure(options.edge) + "  thickness " + thickness + "  margin " + figure(options.margin),
        font, rgb(64, 64, 64));

    const Mapper map{fitClearancePicture(report, box, unit)};
    const draw::Rect& area = map.pic.area;
    fillEnvelopes(dc, report, map);

    // The marginal rays of every field, in a deeper shade of the beam.
    for (size_t j = 0; j < report.envelopes.size(); ++j) {
        const draw::Pen ray{blend(tintOf(static_cast<int>(j)), rgb(0, 0, 0), 0.35), unit};
        for (const FieldBeam& f : report.envelopes[j].fields) {
            segment(dc, map(f.plusFrom), map(f.plusTo), area, ray);
            segment(dc, map(f.minusFrom), map(f.minusTo), area, ray);
        }
    }

    // The bodies: outlined, red where they stand in a beam or closer to one
    // than the margin.
    const int n = static_cast<int>(report.bodies.size()) - 1;
    // The numbers may use the room round the drawing.
    const int room = labelRoom(area, unit);
    LabelPlacer labels(report, map,
                       {area.left - room, area.top - room, area.right + room, area.bottom + room});
    std::vector<std::vector<const ClearancePair*>> shortOf(n + 1);
    for (const ClearancePair& p : report.pairs)
        if (p.clearance < options.margin) shortOf[p.surface].push_back(&p);
    for (int i = 1; i <= n; ++i) {
        const SurfaceBody& body = report.bodies[i];
        const bool blocked = !shortOf[i].empty();
        const draw::Pen pen{blocked ? kObstructed : kOutline, (blocked ? 2 : 1) * unit};
        std::vector<Vec2> outline(body.face.begin(), body.face.end());
        if (body.thickness > 0) {
            outline.insert(outline.end(), body.back.rbegin(), body.back.rend());
            outline.push_back(body.face.front());
        }
        for (size_t k = 1; k < outline.size(); ++k)
            segment(dc, map(outline[k - 1]), map(outline[k]), area, pen);
        if (outline.size() == 1) segment(dc, map(outline[0]), map(outline[0]), area, pen);

        // The surface's number beside a rim where it stands clear of the
        // beams, the short clearances beside the other rim, on the
        // background's colour so that they read over the beams.
        const std::string number = std::to_string(i);
        const Colour numberColour = blocked ? kObstructed : rgb(0, 0, 0);
        dc.text(
            labels.place({map(body.face.front()), map(body.face.back())}, dc.textSize(number, font), unit),
            number, font, numberColour);
        const Vec2 labelAt = map(body.face.back());
        int line = 0;
        for (const ClearancePair* p : shortOf[i])
            dc.text({px(labelAt.x) + 6 * unit, px(labelAt.y) - 6 * unit + 12 * unit * line++},
                    figure(p->clearance) + " (" + clearanceSpaceName(p->space) + ")", font, numberColour,
                    kClearanceBackground);
    }
}

}  // namespace

void paintClearanceView(Device& dc, const Design& design, const ClearanceOptions& options,
                        const ClearanceReport& report) {
    const draw::Rect client{0, 0, dc.size().width, dc.size().height};
    dc.fill(client, kClearanceBackground);
    drawClearanceView(dc, design, options, report, client, 1, Font::smallMono());
}

void printClearanceView(Device& dc, const Design& design, const ClearanceOptions& options,
                        const ClearanceReport& report, const draw::Rect& box, int unit) {
    unit = std::max(1, unit);
    // The fixed-pitch face at the screen font's cell height, scaled.
    drawClearanceView(dc, design, options, report, box, unit, Font::scaled(12 * unit, 400, draw::FontFace::mono));
}

}  // namespace orvelin
