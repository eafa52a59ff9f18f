#include "platform/recording_device.h"

#include <cstdio>
#include <cstdlib>

namespace orvelin::gdi {

namespace {

// Fixed fake metrics.  The stock fixed-pitch fonts keep the character cells
// of the platform's classic raster fonts (8 x 12 and 8 x 16), which is what
// the table layouts were measured in.
TextMetrics cellMetrics(int height, int width, int ascent, int externalLeading) {
    TextMetrics m;
    m.tmHeight = height;
    m.tmAscent = ascent;
    m.tmDescent = height - ascent;
    m.tmInternalLeading = 0;
    m.tmExternalLeading = externalLeading;
    m.tmAveCharWidth = width;
    m.tmMaxCharWidth = width;
    return m;
}

TextMetrics stockFontMetrics(StockObject s) {
    switch (s) {
        case OEM_FIXED_FONT:
            return cellMetrics(12, 8, 10, 0);
        case SYSTEM_FONT: {
            TextMetrics m = cellMetrics(16, 7, 13, 0);
            m.tmMaxCharWidth = 14;
            return m;
        }
        default:
            return cellMetrics(16, 8, 13, 0);
    }
}

TextMetrics createdFontMetrics(const FontSpec& f) {
    int h = f.height == 0 ? 16 : std::abs(f.height);
    int w = f.width != 0 ? std::abs(f.width) : (h / 2 > 0 ? h / 2 : 1);
    return cellMetrics(h, w, h * 4 / 5, h / 8);
}

// The same fake metrics for a font given as a value: the classic cells for
// the screen fonts, and for a scaled font a cell of its height, half as wide.
TextMetrics valueFontMetrics(const Font& f) {
    switch (f.kind) {
        case Font::Kind::oemFixed:
            return stockFontMetrics(OEM_FIXED_FONT);
        case Font::Kind::ansiFixed:
            return stockFontMetrics(ANSI_FIXED_FONT);
        case Font::Kind::systemFixed:
            return stockFontMetrics(SYSTEM_FIXED_FONT);
        case Font::Kind::system:
            return stockFontMetrics(SYSTEM_FONT);
        case Font::Kind::scaled:
            break;
    }
    FontSpec spec;
    spec.height = f.height;
    return createdFontMetrics(spec);
}

Colour colourOf(COLORREF c) {
    return rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

}  // namespace

std::string DrawCall::str() const {
    std::string s = op;
    for (int a : args) s += " " + std::to_string(a);
    if (!text.empty()) s += " '" + text + "'";
    return s;
}

RecordingDevice::RecordingDevice(int width, int height, int screenWidth, int screenHeight)
    : client_{0, 0, width, height},
      screenWidth_(screenWidth),
      screenHeight_(screenHeight),
      pen_(stockHandle(BLACK_PEN)),
      brush_(stockHandle(WHITE_BRUSH)),
      font_(stockHandle(SYSTEM_FONT)) {}

int RecordingDevice::getDeviceCaps(DeviceCap cap) const {
    switch (cap) {
        case HORZRES:
            return screenWidth_;
        case VERTRES:
            return screenHeight_;
        case LOGPIXELSX:
        case LOGPIXELSY:
            return 96;
    }
    return 0;
}

const RecordedObject* RecordingDevice::find(Handle h) const {
    auto it = objects_.find(h.id);
    return it == objects_.end() ? nullptr : &it->second;
}

Handle RecordingDevice::createPen(PenStyle style, int width, COLORREF color) {
    RecordedObject o;
    o.kind = ObjectKind::Pen;
    o.penStyle = style;
    o.penWidth = width;
    o.color = color;
    objects_[nextId_] = o;
    return Handle{nextId_++};
}

Handle RecordingDevice::createSolidBrush(COLORREF color) {
    RecordedObject o;
    o.kind = ObjectKind::Brush;
    o.color = color;
    objects_[nextId_] = o;
    return Handle{nextId_++};
}

Handle RecordingDevice::createFont(const FontSpec& spec) {
    RecordedObject& o = objects_[nextId_];
    o.kind = ObjectKind::Font;
    o.faceStorage = std::string(spec.face);
    o.font = spec;
    o.font.face = o.faceStorage;
    return Handle{nextId_++};
}

Handle RecordingDevice::loadBitmap(std::string_view name) {
    if (!bitmaps_.count(std::string(name))) return Handle{};
    RecordedObject o;
    o.kind = ObjectKind::Bitmap;
    o.bitmapName = std::string(name);
    objects_[nextId_] = o;
    return Handle{nextId_++};
}

Size RecordingDevice::bitmapSize(Handle bitmap) const {
    const RecordedObject* o = find(bitmap);
    if (!o || o->kind != ObjectKind::Bitmap) return {};
    return bitmaps_.at(o->bitmapName);
}

Handle RecordingDevice::selectObject(Handle h) {
    ObjectKind kind = ObjectKind::None;
    int stock = stockIndex(h);
    if (stock >= 0) {
        kind = stockKind(static_cast<StockObject>(stock));
    } else if (const RecordedObject* o = find(h)) {
        kind = o->kind;
    } else {
        misuse_.push_back("select of unknown or deleted object " + std::to_string(h.id));
        return Handle{};
    }
    Handle* slot = kind == ObjectKind::Pen     ? &pen_
                   : kind == ObjectKind::Brush ? &brush_
                   : kind == ObjectKind::Font  ? &font_
                                               : nullptr;
    if (!slot) {
        misuse_.push_back("select of a bitmap " + std::to_string(h.id));
        return Handle{};
    }
    Handle previous = *slot;
    *slot = h;
    return previous;
}

bool RecordingDevice::deleteObject(Handle h) {
    if (stockIndex(h) >= 0) return true;
    auto it = objects_.find(h.id);
    if (it == objects_.end()) {
        misuse_.push_back("delete of unknown object " + std::to_string(h.id));
        return false;
    }
    if (h == pen_ || h == brush_ || h == font_) {
        misuse_.push_back("delete of selected object " + std::to_string(h.id));
        return false;
    }
    objects_.erase(it);
    return true;
}

int RecordingDevice::setBkMode(BkMode mode) {
    int previous = bkMode_;
    bkMode_ = mode;
    return previous;
}

COLORREF RecordingDevice::setBkColor(COLORREF color) {
    COLORREF previous = bkColor_;
    bkColor_ = color;
    return previous;
}

COLORREF RecordingDevice::setTextColor(COLORREF color) {
    COLORREF previous = textColor_;
    textColor_ = color;
    return previous;
}

std::string RecordingDevice::fontName(Handle h) const {
    int stock = stockIndex(h);
    if (stock >= 0) return stockName(static_cast<StockObject>(stock));
    const RecordedObject* o = find(h);
    if (!o) return "?";
    return o->faceStorage + "/" + std::to_string(o->font.height) + "/" + std::to_string(o->font.weight);
}

Font RecordingDevice::selectedFontValue() const {
    switch (stockIndex(font_)) {
        case OEM_FIXED_FONT:
            return Font::oemFixed();
        case ANSI_FIXED_FONT:
            return Font::ansiFixed();
        case SYSTEM_FIXED_FONT:
            return Font::systemFixed();
        case SYSTEM_FONT:
            return Font::system();
        default:
            break;
    }
    const RecordedObject* o = find(font_);
    if (!o) return Font::system();
    return Font::scaled(o->font.height, o->font.weight);
}

DrawCall RecordingDevice::call(const std::string& op, std::vector<int> args, std::string text) const {
    DrawCall c;
    c.op = op;
    c.args = std::move(args);
    c.text = std::move(text);
    int stockPen = stockIndex(pen_);
    if (stockPen >= 0) {
        c.penStyle = stockPen == NULL_PEN ? PS_NULL : PS_SOLID;
        c.penColor = stockPen == WHITE_PEN ? RGB(255, 255, 255) : RGB(0, 0, 0);
    } else if (const RecordedObject* o = find(pen_)) {
        c.penStyle = o->penStyle;
        c.penWidth = o->penWidth;
        c.penColor = o->color;
    }
    c.pen.colour = colourOf(c.penColor);
    c.pen.width = c.penWidth;
    c.pen.style = c.penStyle == PS_NULL   ? LineStyle::none
                  : c.penStyle == PS_DASH ? LineStyle::dash
                  : c.penStyle == PS_DOT  ? LineStyle::dot
                                          : LineStyle::solid;
    int stockBrush = stockIndex(brush_);
    if (stockBrush >= 0) {
        c.brushNull = stockBrush == NULL_BRUSH;
        c.brushColor = c.brushNull ? 0 : stockBrushColor(static_cast<StockObject>(stockBrush));
    } else if (const RecordedObject* o = find(brush_)) {
        c.brushColor = o->color;
    }
    c.fill = c.brushNull ? kHollow : Fill(colourOf(c.brushColor));
    c.font = fontName(font_);
    c.textFont = selectedFontValue();
    c.textColor = textColor_;
    c.colour = colourOf(textColor_);
    c.bkMode = bkMode_;
    c.background = bkMode_ == OPAQUE ? Fill(colourOf(bkColor_)) : kHollow;
    return c;
}

// ---------------------------------------------------------------------------
// The value calls record exactly what they are given.

FontMetrics RecordingDevice::fontMetrics(const Font& font) const {
    const TextMetrics m = valueFontMetrics(font);
    return FontMetrics{m.tmHeight,          m.tmAscent,       m.tmInternalLeading,
                       m.tmExternalLeading, m.tmAveCharWidth, m.tmMaxCharWidth};
}

Size RecordingDevice::textSize(std::string_view text, const Font& font) const {
    const TextMetrics m = valueFontMetrics(font);
    return Size{static_cast<int>(text.size()) * m.tmAveCharWidth, m.tmHeight};
}

namespace {
DrawCall valueCall(const char* op, std::vector<int> args, std::string text = {}) {
    DrawCall c;
    c.op = op;
    c.args = std::move(args);
    c.text = std::move(text);
    return c;
}
}  // namespace

void RecordingDevice::line(Point from, Point to, const Pen& pen) {
    DrawCall c = valueCall("line", {from.x, from.y, to.x, to.y});
    c.pen = pen;
    record(std::move(c));
}

void RecordingDevice::pixel(Point at, Colour colour) {
    DrawCall c = valueCall("pixel", {at.x, at.y});
    c.colour = colour;
    record(std::move(c));
}

void RecordingDevice::rect(const Rect& box, const Pen& pen, const Fill& fill) {
    DrawCall c = valueCall("rect", {box.left, box.top, box.right, box.bottom});
    c.pen = pen;
    c.fill = fill;
    record(std::move(c));
}

void RecordingDevice::ellipse(const Rect& box, const Pen& pen, const Fill& fill) {
    DrawCall c = valueCall("ellipse", {box.left, box.top, box.right, box.bottom});
    c.pen = pen;
    c.fill = fill;
    record(std::move(c));
}

void RecordingDevice::fill(const Rect& box, Colour colour) {
    DrawCall c = valueCall("fill", {box.left, box.top, box.right, box.bottom});
    c.colour = colour;
    record(std::move(c));
}

void RecordingDevice::text(Point at, std::string_view text, const Font& font, Colour colour,
                           const Fill& background) {
    DrawCall c = valueCall("text", {at.x, at.y}, std::string(text));
    c.textFont = font;
    c.colour = colour;
    c.background = background;
    record(std::move(c));
}

int RecordingDevice::textBox(const Rect& box, std::string_view text, const Font& font, Colour colour,
                             Align align, const Fill& background) {
    DrawCall c = valueCall("textBox", {box.left, box.top, box.right, box.bottom, static_cast<int>(align)},
                           std::string(text));
    c.textFont = font;
    c.colour = colour;
    c.background = background;
    record(std::move(c));
    int lines = 1;
    for (char ch : text) lines += ch == '\n';
    return lines * valueFontMetrics(font).tmHeight;
}

void RecordingDevice::copy(Point to, Size extent, const Device&, Point from) {
    record(valueCall("copy", {to.x, to.y, extent.width, extent.height, from.x, from.y}));
}

void RecordingDevice::picture(Point to, Size extent, std::string_view name, Point from) {
    record(
        valueCall("picture", {to.x, to.y, extent.width, extent.height, from.x, from.y}, std::string(name)));
}

void RecordingDevice::moveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
    record(call("moveTo", {x, y}));
}

void RecordingDevice::lineTo(int x, int y) {
    // The start point travels with the call so that a test can read a whole
    // segment from one entry.
    record(call("lineTo", {curX_, curY_, x, y}));
    curX_ = x;
    curY_ = y;
}

void RecordingDevice::setPixel(int x, int y, COLORREF color) {
    DrawCall c = call("setPixel", {x, y});
    c.color = color;
    record(std::move(c));
}

void RecordingDevice::rectangle(int left, int top, int right, int bottom) {
    record(call("rectangle", {left, top, right, bottom}));
}

void RecordingDevice::ellipse(int left, int top, int right, int bottom) {
    record(call("ellipse", {left, top, right, bottom}));
}

void RecordingDevice::fillRect(const Rect& r, Handle brush) {
    DrawCall c = call("fillRect", {r.left, r.top, r.right, r.bottom});
    if (const int stock = stockIndex(brush); stock >= 0)
        c.color = stockBrushColor(static_cast<StockObject>(stock));
    else if (const RecordedObject* o = find(brush))
        c.color = o->color;
    else
        misuse_.push_back("fill with unknown brush " + std::to_string(brush.id));
    record(std::move(c));
}

void RecordingDevice::textOut(int x, int y, std::string_view text) {
    record(call("textOut", {x, y}, std::string(text)));
}

int RecordingDevice::drawText(std::string_view text, const Rect& r, unsigned flags) {
    record(call("drawText", {r.left, r.top, r.right, r.bottom, static_cast<int>(flags)}, std::string(text)));
    int lines = 1;
    if (!(flags & DT_SINGLELINE))
        for (char ch : text) lines += ch == '\n';
    return lines * getTextMetrics().tmHeight;
}

TextMetrics RecordingDevice::getTextMetrics() const {
    int stock = stockIndex(font_);
    if (stock >= 0) return stockFontMetrics(static_cast<StockObject>(stock));
    if (const RecordedObject* o = find(font_)) return createdFontMetrics(o->font);
    return stockFontMetrics(SYSTEM_FONT);
}

Size RecordingDevice::getTextExtent(std::string_view text) const {
    TextMetrics m = getTextMetrics();
    return Size{static_cast<int>(text.size()) * m.tmAveCharWidth, m.tmHeight};
}

void RecordingDevice::bitBlt(int x, int y, int w, int h, const Device&, int sx, int sy) {
    record(call("bitBlt", {x, y, w, h, sx, sy}));
}

void RecordingDevice::bitBltBitmap(int x, int y, int w, int h, Handle bitmap, int sx, int sy) {
    const RecordedObject* o = find(bitmap);
    if (!o) misuse_.push_back("copy from unknown bitmap " + std::to_string(bitmap.id));
    record(call("bitBltBitmap", {x, y, w, h, sx, sy}, o ? o->bitmapName : std::string("?")));
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
        if ((c.op == "text" || c.op == "textBox" || c.op == "textOut" || c.op == "drawText") &&
            c.text == text)
            out.push_back(c);
    return out;
}

}  // namespace orvelin::gdi
