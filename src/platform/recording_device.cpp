#include "platform/recording_device.h"

#include <cstdlib>

namespace orvelin::draw {

namespace {

// Fixed fake metrics.  The classic screen fonts keep their character cells
// (8 x 12 and 8 x 16), which is what the table layouts were measured in; a
// scaled font has a cell of its height, half as wide, with an eighth of its
// height as external leading.
FontMetrics cellMetrics(int height, int width, int ascent, int externalLeading) {
    return FontMetrics{height, ascent, 0, externalLeading, width, width};
}

FontMetrics fakeMetrics(const Font& f) {
    switch (f.kind) {
        case Font::Kind::smallMono:
            return cellMetrics(12, 8, 10, 0);
        case Font::Kind::boldMono:
            return cellMetrics(16, 8, 13, 0);
        case Font::Kind::boldSans: {
            FontMetrics m = cellMetrics(16, 7, 13, 0);
            m.maxCharWidth = 14;
            return m;
        }
        case Font::Kind::scaled:
            break;
    }
    const int h = f.height == 0 ? 16 : std::abs(f.height);
    return cellMetrics(h, h / 2 > 0 ? h / 2 : 1, h * 4 / 5, h / 8);
}

DrawCall made(const char* op, std::vector<int> args, std::string text = {}) {
    DrawCall c;
    c.op = op;
    c.args = std::move(args);
    c.text = std::move(text);
    return c;
}

}  // namespace

std::string DrawCall::str() const {
    std::string s = op;
    for (int a : args) s.append(" ").append(std::to_string(a));
    if (!text.empty()) s += " '" + text + "'";
    return s;
}

RecordingDevice::RecordingDevice(int width, int height, int screenWidth, int screenHeight)
    : size_{width, height}, screen_{screenWidth, screenHeight} {}

FontMetrics RecordingDevice::fontMetrics(const Font& font) const {
    return fakeMetrics(font);
}

Size RecordingDevice::textSize(std::string_view text, const Font& font) const {
    const FontMetrics m = fakeMetrics(font);
    return Size{static_cast<int>(text.size()) * m.averageCharWidth, m.height};
}

void RecordingDevice::line(Point from, Point to, const Pen& pen) {
    DrawCall c = made("line", {from.x, from.y, to.x, to.y});
    c.pen = pen;
    record(std::move(c));
}

void RecordingDevice::pixel(Point at, Colour colour) {
    DrawCall c = made("pixel", {at.x, at.y});
    c.colour = colour;
    record(std::move(c));
}

void RecordingDevice::rect(const Rect& box, const Pen& pen, const Fill& fill) {
    DrawCall c = made("rect", {box.left, box.top, box.right, box.bottom});
    c.pen = pen;
    c.fill = fill;
    record(std::move(c));
}

void RecordingDevice::ellipse(const Rect& box, const Pen& pen, const Fill& fill) {
    DrawCall c = made("ellipse", {box.left, box.top, box.right, box.bottom});
    c.pen = pen;
    c.fill = fill;
    record(std::move(c));
}

void RecordingDevice::fill(const Rect& box, Colour colour) {
    DrawCall c = made("fill", {box.left, box.top, box.right, box.bottom});
    c.colour = colour;
    record(std::move(c));
}

void RecordingDevice::text(Point at, std::string_view text, const Font& font, Colour colour,
                           const Fill& background) {
    DrawCall c = made("text", {at.x, at.y}, std::string(text));
    c.textFont = font;
    c.colour = colour;
    c.background = background;
    record(std::move(c));
}

int RecordingDevice::textBox(const Rect& box, std::string_view text, const Font& font, Colour colour,
                             Align align, const Fill& background) {
    DrawCall c = made("textBox", {box.left, box.top, box.right, box.bottom, static_cast<int>(align)},
                      std::string(text));
    c.textFont = font;
    c.colour = colour;
    c.background = background;
    record(std::move(c));
    int lines = 1;
    for (char ch : text) lines += ch == '\n';
    return lines * fakeMetrics(font).height;
}

void RecordingDevice::copy(Point to, Size extent, const Device&, Point from) {
    record(made("copy", {to.x, to.y, extent.width, extent.height, from.x, from.y}));
}

void RecordingDevice::picture(Point to, Size extent, std::string_view name, Point from) {
    record(made("picture", {to.x, to.y, extent.width, extent.height, from.x, from.y}, std::string(name)));
}

void RecordingDevice::image(Point at, Size extent, std::span<const Colour> pixels) {
    DrawCall c = made("image", {at.x, at.y, extent.width, extent.height});
    c.pixels.assign(pixels.begin(), pixels.end());
    record(std::move(c));
}

std::vector<DrawCall> RecordingDevice::callsOf(const std::string& op) const {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls_)
        if (c.op == op) out.push_back(c);
    return out;
}

std::vector<DrawCall> RecordingDevice::textsEqual(const std::string& text) const {
    std::vector<DrawCall> out;
    for (const DrawCall& c : calls_)
        if ((c.op == "text" || c.op == "textBox") && c.text == text) out.push_back(c);
    return out;
}

}  // namespace orvelin::draw
