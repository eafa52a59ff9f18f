#include "platform/qt/qt_device.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>

// The program's pictures live in a static library's resource file, which
// must be registered once by name, outside any namespace.
static void initOrvelinResources() {
    static bool done = false;
    if (done) return;
    done = true;
    Q_INIT_RESOURCE(orvelin);
}

namespace orvelin::qt {

using gdi::COLORREF;
using gdi::Handle;
using gdi::ObjectKind;

namespace {

// Handles are unique over the whole process, so that a handle of one device
// is never mistaken for an object of another.
std::atomic<int> gNextId{1};
std::atomic<int> gLiveObjects{0};

QColor qcolour(COLORREF c) {
    return QColor(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c));
}

QColor qcolour(gdi::Colour c) {
    return QColor(c.r, c.g, c.b);
}

gdi::Colour colourOf(COLORREF c) {
    return gdi::rgb(gdi::GetRValue(c), gdi::GetGValue(c), gdi::GetBValue(c));
}

Qt::PenStyle qtStyle(gdi::LineStyle style) {
    switch (style) {
        case gdi::LineStyle::none:
            return Qt::NoPen;
        case gdi::LineStyle::dash:
            return Qt::DashLine;
        case gdi::LineStyle::dot:
            return Qt::DotLine;
        default:
            return Qt::SolidLine;
    }
}

QString latin1(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

const char* const kSans = "DejaVu Sans";
const char* const kMono = "DejaVu Sans Mono";

// No ligatures: DejaVu Sans joins "fl", "fi" and "ffi" into single glyphs,
// and text copied from a printed PDF would then have the one character
// U+FB02 in place of the "fl" of "flat", as the classic raster fonts never
// did.  Qt shapes text with explicitly set letter spacing without optional
// ligatures; a spacing of 100 % leaves every advance, kerning pair and font
// metric as it was.
void withoutLigatures(QFont& font) {
    font.setLetterSpacing(QFont::PercentageSpacing, 100);
}

}  // namespace

struct QtDevice::Font {
    QFont font;
    int cellHeight = 16;  ///< tmHeight: ascent + descent
    int ascent = 13;      ///< from the cell's top to the baseline
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 8;
    int maxCharWidth = 8;
    int fixedPitch = 0;  ///< > 0: every character is drawn in a cell this wide
};

struct QtDevice::Object {
    ObjectKind kind = ObjectKind::None;
    gdi::PenStyle penStyle = gdi::PS_SOLID;
    int penWidth = 1;
    COLORREF colour = 0;
    gdi::Font font;
    QImage bitmap;
};

int QtDevice::leakedOrLiveObjects() {
    return gLiveObjects.load();
}

QString QtDevice::bitmapResource(std::string_view name) {
    if (name == "quorvex") return QStringLiteral(":/orvelin/welcome.png");
    return QStringLiteral(":/orvelin/") + latin1(name) + QStringLiteral(".png");
}

QtDevice::QtDevice(QImage& image)
    : QtDevice(image, gdi::Rect{0, 0, image.width(), image.height()},
               DeviceCaps{image.width(), image.height()}) {}

QtDevice::QtDevice(QImage& image, gdi::Rect client, DeviceCaps caps)
    : ownPainter_(std::make_unique<QPainter>(&image)), image_(&image), client_(client), caps_(caps) {
    painter_ = ownPainter_.get();
    init();
}

QtDevice::QtDevice(QPaintDevice& target, gdi::Rect client, DeviceCaps caps)
    : ownPainter_(std::make_unique<QPainter>(&target)), client_(client), caps_(caps) {
    painter_ = ownPainter_.get();
    init();
}

QtDevice::QtDevice(QPainter& painter, gdi::Rect client, DeviceCaps caps)
    : painter_(&painter), client_(client), caps_(caps) {
    init();
}

void QtDevice::init() {
    initOrvelinResources();
    pen_ = gdi::stockHandle(gdi::BLACK_PEN);
    brush_ = gdi::stockHandle(gdi::WHITE_BRUSH);
    font_ = gdi::stockHandle(gdi::SYSTEM_FONT);
    // Shapes keep the exact pixels the drawing routines computed.
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

QtDevice::~QtDevice() {
    // Objects the drawing code forgot to delete stay in the process-wide
    // count, so that a leak shows even after its device is gone.
    end();
}

void QtDevice::end() {
    if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

int QtDevice::getDeviceCaps(gdi::DeviceCap cap) const {
    switch (cap) {
        case gdi::HORZRES:
            return caps_.horzRes;
        case gdi::VERTRES:
            return caps_.vertRes;
        case gdi::LOGPIXELSX:
            return caps_.logPixelsX;
        case gdi::LOGPIXELSY:
            return caps_.logPixelsY;
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Objects.

const QtDevice::Object* QtDevice::find(Handle h) const {
    auto it = objects_.find(h.id);
    return it == objects_.end() ? nullptr : it->second.get();
}

Handle QtDevice::createPen(gdi::PenStyle style, int width, COLORREF colour) {
    auto o = std::make_unique<Object>();
    o->kind = ObjectKind::Pen;
    o->penStyle = style;
    o->penWidth = width;
    o->colour = colour;
    const int id = gNextId++;
    objects_[id] = std::move(o);
    ++gLiveObjects;
    return Handle{id};
}

Handle QtDevice::createSolidBrush(COLORREF colour) {
    auto o = std::make_unique<Object>();
    o->kind = ObjectKind::Brush;
    o->colour = colour;
    const int id = gNextId++;
    objects_[id] = std::move(o);
    ++gLiveObjects;
    return Handle{id};
}

Handle QtDevice::createFont(const gdi::FontSpec& spec) {
    auto o = std::make_unique<Object>();
    o->kind = ObjectKind::Font;
    // Faces: the system face becomes a bold sans, fixed-pitch names the mono
    // face, anything else the plain sans.
    const QString face = latin1(spec.face).toLower();
    const bool system = face.contains(QLatin1String("system"));
    const bool mono = face.contains(QLatin1String("mono")) || face.contains(QLatin1String("courier")) ||
                      face.contains(QLatin1String("fixed")) || face.contains(QLatin1String("terminal"));
    int weight = spec.weight == 0 ? gdi::FW_NORMAL : spec.weight;
    if (system) weight = std::max(weight, static_cast<int>(gdi::FW_BOLD));
    o->font =
        gdi::Font::scaled(spec.height, weight, mono ? gdi::FontFace::mono : gdi::FontFace::sans, spec.italic);
    const int id = gNextId++;
    objects_[id] = std::move(o);
    ++gLiveObjects;
    return Handle{id};
}

Handle QtDevice::loadBitmap(std::string_view name) {
    initOrvelinResources();
    QImage picture(bitmapResource(name));
    if (picture.isNull()) return Handle{};
    auto o = std::make_unique<Object>();
    o->kind = ObjectKind::Bitmap;
    o->bitmap = picture.convertToFormat(QImage::Format_RGB32);
    const int id = gNextId++;
    objects_[id] = std::move(o);
    ++gLiveObjects;
    return Handle{id};
}

gdi::Size QtDevice::bitmapSize(Handle bitmap) const {
    const Object* o = find(bitmap);
    if (!o || o->kind != ObjectKind::Bitmap) return {};
    return {o->bitmap.width(), o->bitmap.height()};
}

Handle QtDevice::selectObject(Handle h) {
    ObjectKind kind = ObjectKind::None;
    const int stock = gdi::stockIndex(h);
    if (stock >= 0)
        kind = gdi::stockKind(static_cast<gdi::StockObject>(stock));
    else if (const Object* o = find(h))
        kind = o->kind;
    Handle* slot = kind == ObjectKind::Pen     ? &pen_
                   : kind == ObjectKind::Brush ? &brush_
                   : kind == ObjectKind::Font  ? &font_
                                               : nullptr;
    if (!slot) return Handle{};
    Handle previous = *slot;
    *slot = h;
    return previous;
}

bool QtDevice::deleteObject(Handle h) {
    if (gdi::stockIndex(h) >= 0) return true;
    auto it = objects_.find(h.id);
    if (it == objects_.end() || h == pen_ || h == brush_ || h == font_) return false;
    objects_.erase(it);
    --gLiveObjects;
    return true;
}

const QtDevice::Font& QtDevice::qtFont(const gdi::Font& font) const {
    using Kind = gdi::Font::Kind;
    auto& slot = fonts_[{static_cast<int>(font.kind), font.height, font.weight, font.italic,
                         static_cast<int>(font.face)}];
    if (slot) return *slot;
    slot = std::make_unique<Font>();
    Font& f = *slot;
    if (font.kind == Kind::scaled) {
        const bool mono = font.face == gdi::FontFace::mono;
        f.font = QFont(QString::fromLatin1(mono ? kMono : kSans));
        f.font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
        const int weight = font.weight == 0 ? gdi::FW_NORMAL : font.weight;
        f.font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
        f.font.setItalic(font.italic);
        withoutLigatures(f.font);

        // A positive height is the whole cell (ascent + descent): find the em
        // size that gives it.  A negative one is the em size itself.
        int pixelSize = 13;
        if (font.height < 0) {
            pixelSize = -font.height;
        } else if (font.height > 0) {
            QFont probe = f.font;
            probe.setPixelSize(100);
            QFontMetricsF m(probe);
            const double cellPerEm = (m.ascent() + m.descent()) / 100.0;
            pixelSize =
                std::max(1, static_cast<int>(std::lround(font.height / (cellPerEm > 0 ? cellPerEm : 1.0))));
        }
        f.font.setPixelSize(pixelSize);
        QFontMetrics m(f.font, painter_->device());
        f.ascent = m.ascent();
        f.cellHeight = m.ascent() + m.descent();
        f.internalLeading = std::max(0, f.cellHeight - pixelSize);
        f.externalLeading = std::max(0, m.leading());
        f.aveCharWidth = m.averageCharWidth();
        f.maxCharWidth = m.maxWidth();
        return f;
    }
    switch (font.kind) {
        case Kind::oemFixed:
            f.font = QFont(QString::fromLatin1(kMono));
            f.cellHeight = 12;
            f.ascent = 10;
            break;
        case Kind::systemFixed:
        case Kind::ansiFixed:
            f.font = QFont(QString::fromLatin1(kMono));
            f.font.setBold(true);
            f.cellHeight = 16;
            f.ascent = 13;
            break;
        default:  // the system font: a bold proportional face in a 16-pixel cell
            f.font = QFont(QString::fromLatin1(kSans));
            f.font.setBold(true);
            f.cellHeight = 16;
            f.ascent = 13;
            break;
    }
    f.font.setPixelSize(13);
    f.font.setKerning(false);
    withoutLigatures(f.font);
    if (font.kind == Kind::system) {
        QFontMetrics m(f.font, painter_->device());
        f.aveCharWidth = m.averageCharWidth();
        f.maxCharWidth = m.maxWidth();
    } else {
        f.font.setStyleHint(QFont::Monospace);
        f.fixedPitch = 8;
        f.aveCharWidth = f.maxCharWidth = 8;
    }
    return f;
}

const QtDevice::Font& QtDevice::currentFont() const {
    if (const Object* o = find(font_)) return qtFont(o->font);
    switch (gdi::stockIndex(font_)) {
        case gdi::OEM_FIXED_FONT:
            return qtFont(gdi::Font::oemFixed());
        case gdi::ANSI_FIXED_FONT:
            return qtFont(gdi::Font::ansiFixed());
        case gdi::SYSTEM_FIXED_FONT:
            return qtFont(gdi::Font::systemFixed());
        default:
            return qtFont(gdi::Font::system());
    }
}

gdi::Pen QtDevice::currentPen() const {
    const int stock = gdi::stockIndex(pen_);
    if (stock == gdi::NULL_PEN) return gdi::kNoPen;
    if (stock == gdi::WHITE_PEN) return gdi::Pen{gdi::rgb(255, 255, 255)};
    const Object* o = find(pen_);
    if (stock >= 0 || !o) return gdi::Pen{};
    gdi::LineStyle style = gdi::LineStyle::solid;
    if (o->penStyle == gdi::PS_NULL) style = gdi::LineStyle::none;
    if (o->penStyle == gdi::PS_DASH) style = gdi::LineStyle::dash;
    if (o->penStyle == gdi::PS_DOT) style = gdi::LineStyle::dot;
    return gdi::Pen{colourOf(o->colour), std::max(1, o->penWidth), style};
}

gdi::Fill QtDevice::currentFill() const {
    if (const int stock = gdi::stockIndex(brush_); stock >= 0) {
        if (stock == gdi::NULL_BRUSH) return gdi::kHollow;
        return colourOf(gdi::stockBrushColor(static_cast<gdi::StockObject>(stock)));
    }
    const Object* o = find(brush_);
    return o ? colourOf(o->colour) : gdi::rgb(255, 255, 255);
}

gdi::Fill QtDevice::textBackground() const {
    return bkMode_ == gdi::OPAQUE ? gdi::Fill(colourOf(bkColor_)) : gdi::kHollow;
}

// ---------------------------------------------------------------------------
// State.

int QtDevice::setBkMode(gdi::BkMode mode) {
    const int previous = bkMode_;
    bkMode_ = mode;
    return previous;
}

COLORREF QtDevice::setBkColor(COLORREF colour) {
    const COLORREF previous = bkColor_;
    bkColor_ = colour;
    return previous;
}

COLORREF QtDevice::setTextColor(COLORREF colour) {
    const COLORREF previous = textColor_;
    textColor_ = colour;
    return previous;
}

// ---------------------------------------------------------------------------
// Lines and shapes.

void QtDevice::moveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

// A one-pixel line by Bresenham's rule, every pixel from the start up to but
// not including the end.
void QtDevice::drawLine1(int x0, int y0, int x1, int y1, const QColor& c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        painter_->fillRect(x, y, 1, 1, c);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
}

void QtDevice::line(gdi::Point from, gdi::Point to, const gdi::Pen& pen) {
    const Qt::PenStyle style = qtStyle(pen.style);
    const int width = std::max(1, pen.width);
    if (style == Qt::SolidLine && width == 1) {
        drawLine1(from.x, from.y, to.x, to.y, qcolour(pen.colour));
    } else if (style != Qt::NoPen) {
        painter_->setPen(QPen(qcolour(pen.colour), width, style, Qt::FlatCap));
        painter_->drawLine(from.x, from.y, to.x, to.y);
    }
}

void QtDevice::lineTo(int x, int y) {
    line({curX_, curY_}, {x, y}, currentPen());
    curX_ = x;
    curY_ = y;
}

void QtDevice::pixel(gdi::Point at, gdi::Colour colour) {
    painter_->fillRect(at.x, at.y, 1, 1, qcolour(colour));
}

void QtDevice::setPixel(int x, int y, COLORREF colour) {
    pixel({x, y}, colourOf(colour));
}

void QtDevice::rect(const gdi::Rect& box, const gdi::Pen& pen, const gdi::Fill& fill) {
    int left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return;
    const bool outline = pen.style != gdi::LineStyle::none;
    if (fill.solid) {
        if (outline)
            painter_->fillRect(left + 1, top + 1, w - 2, h - 2, qcolour(fill.colour));
        else
            painter_->fillRect(left, top, w, h, qcolour(fill.colour));
    }
    if (outline) {
        // The outline runs along the box's own edge pixels, inside it.
        const QColor c = qcolour(pen.colour);
        const int pw = std::min(std::max(1, pen.width), std::min(w, h));
        painter_->fillRect(left, top, w, pw, c);
        painter_->fillRect(left, bottom - pw, w, pw, c);
        painter_->fillRect(left, top, pw, h, c);
        painter_->fillRect(right - pw, top, pw, h, c);
    }
}

void QtDevice::rectangle(int left, int top, int right, int bottom) {
    rect({left, top, right, bottom}, currentPen(), currentFill());
}

void QtDevice::ellipse(const gdi::Rect& box, const gdi::Pen& pen, const gdi::Fill& fill) {
    int left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return;
    const Qt::PenStyle style = qtStyle(pen.style);
    painter_->setPen(style == Qt::NoPen ? QPen(Qt::NoPen) : QPen(qcolour(pen.colour), 0, style));
    painter_->setBrush(fill.solid ? QBrush(qcolour(fill.colour)) : QBrush(Qt::NoBrush));
    // An aliased outline of a w-1 by h-1 rectangle covers exactly the w x h
    // pixels of the box.
    painter_->drawEllipse(QRect(left, top, w - 1, h - 1));
    painter_->setBrush(Qt::NoBrush);
}

void QtDevice::ellipse(int left, int top, int right, int bottom) {
    ellipse({left, top, right, bottom}, currentPen(), currentFill());
}

void QtDevice::fill(const gdi::Rect& r, gdi::Colour colour) {
    // An empty or inverted rectangle fills nothing, as on the platform.
    if (r.width() <= 0 || r.height() <= 0) return;
    painter_->fillRect(r.left, r.top, r.width(), r.height(), qcolour(colour));
}

void QtDevice::fillRect(const gdi::Rect& r, Handle brush) {
    const int stock = gdi::stockIndex(brush);
    if (stock == gdi::NULL_BRUSH) return;
    if (stock >= 0)
        fill(r, colourOf(gdi::stockBrushColor(static_cast<gdi::StockObject>(stock))));
    else if (const Object* o = find(brush); o && o->kind == ObjectKind::Brush)
        fill(r, colourOf(o->colour));
}

// ---------------------------------------------------------------------------
// Text.

int QtDevice::textWidth(const QString& s, const Font& f) const {
    if (f.fixedPitch > 0) return f.fixedPitch * static_cast<int>(s.size());
    return QFontMetrics(f.font, painter_->device()).horizontalAdvance(s);
}

void QtDevice::drawTextLine(int x, int y, const QString& s, const Font& f, gdi::Colour colour,
                            const gdi::Fill& background) {
    if (s.isEmpty()) return;
    if (background.solid) painter_->fillRect(x, y, textWidth(s, f), f.cellHeight, qcolour(background.colour));
    painter_->setFont(f.font);
    painter_->setPen(qcolour(colour));
    const int baseline = y + f.ascent;
    if (f.fixedPitch > 0) {
        // One glyph per cell, so that columns line up to the pixel.
        for (qsizetype i = 0; i < s.size(); ++i)
            painter_->drawText(QPoint(x + f.fixedPitch * static_cast<int>(i), baseline), QString(s[i]));
    } else {
        painter_->drawText(QPoint(x, baseline), s);
    }
}

void QtDevice::text(gdi::Point at, std::string_view text, const gdi::Font& font, gdi::Colour colour,
                    const gdi::Fill& background) {
    drawTextLine(at.x, at.y, latin1(text), qtFont(font), colour, background);
}

void QtDevice::textOut(int x, int y, std::string_view text) {
    drawTextLine(x, y, latin1(text), currentFont(), colourOf(textColor_), textBackground());
}

int QtDevice::textBox(const gdi::Rect& r, std::string_view text, const gdi::Font& font, gdi::Colour colour,
                      gdi::Align align, const gdi::Fill& background) {
    const Font& f = qtFont(font);
    const QStringList lines = latin1(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    painter_->save();
    painter_->setClipRect(QRect(r.left, r.top, r.width(), r.height()), Qt::IntersectClip);
    int y = r.top;
    for (const QString& line : lines) {
        const int w = textWidth(line, f);
        int x = r.left;
        if (align == gdi::Align::centre)
            x = r.left + (r.width() - w) / 2;
        else if (align == gdi::Align::right)
            x = r.right - w;
        drawTextLine(x, y, line, f, colour, background);
        y += f.cellHeight;
    }
    painter_->restore();
    return static_cast<int>(lines.size()) * f.cellHeight;
}

int QtDevice::drawText(std::string_view text, const gdi::Rect& r, unsigned flags) {
    const Font& f = currentFont();
    QStringList lines;
    if (flags & gdi::DT_SINGLELINE)
        lines << latin1(text).remove(QLatin1Char('\n')).remove(QLatin1Char('\r'));
    else
        lines = latin1(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    int y = r.top;
    if (flags & gdi::DT_SINGLELINE) {
        if (flags & gdi::DT_BOTTOM)
            y = r.bottom - f.cellHeight;
        else if (flags & gdi::DT_VCENTER)
            y = r.top + (r.height() - f.cellHeight) / 2;
    }
    const bool clip = !(flags & gdi::DT_NOCLIP);
    if (clip) {
        painter_->save();
        painter_->setClipRect(QRect(r.left, r.top, r.width(), r.height()), Qt::IntersectClip);
    }
    for (const QString& line : lines) {
        const int w = textWidth(line, f);
        int x = r.left;
        if (flags & gdi::DT_CENTER)
            x = r.left + (r.width() - w) / 2;
        else if (flags & gdi::DT_RIGHT)
            x = r.right - w;
        drawTextLine(x, y, line, f, colourOf(textColor_), textBackground());
        y += f.cellHeight;
    }
    if (clip) painter_->restore();
    return static_cast<int>(lines.size()) * f.cellHeight;
}

gdi::FontMetrics QtDevice::fontMetrics(const gdi::Font& font) const {
    const Font& f = qtFont(font);
    return gdi::FontMetrics{f.cellHeight,      f.ascent,       f.internalLeading,
                            f.externalLeading, f.aveCharWidth, f.maxCharWidth};
}

gdi::Size QtDevice::textSize(std::string_view text, const gdi::Font& font) const {
    const Font& f = qtFont(font);
    return {textWidth(latin1(text), f), f.cellHeight};
}

gdi::TextMetrics QtDevice::getTextMetrics() const {
    const Font& f = currentFont();
    gdi::TextMetrics m;
    m.tmHeight = f.cellHeight;
    m.tmAscent = f.ascent;
    m.tmDescent = f.cellHeight - f.ascent;
    m.tmInternalLeading = f.internalLeading;
    m.tmExternalLeading = f.externalLeading;
    m.tmAveCharWidth = f.aveCharWidth;
    m.tmMaxCharWidth = f.maxCharWidth;
    return m;
}

gdi::Size QtDevice::getTextExtent(std::string_view text) const {
    const Font& f = currentFont();
    return {textWidth(latin1(text), f), f.cellHeight};
}

// ---------------------------------------------------------------------------
// Block copies.

void QtDevice::blit(int x, int y, int w, int h, const QImage& src, int sx, int sy) {
    // Only the part of the extent that lies on the source is copied.
    QRect from = QRect(sx, sy, w, h).intersected(src.rect());
    if (from.isEmpty()) return;
    const QPoint to(x + (from.x() - sx), y + (from.y() - sy));
    const QPainter::CompositionMode mode = painter_->compositionMode();
    painter_->setCompositionMode(QPainter::CompositionMode_Source);
    painter_->drawImage(to, src, from);
    painter_->setCompositionMode(mode);
}

void QtDevice::copy(gdi::Point to, gdi::Size extent, const gdi::Device& source, gdi::Point from) {
    const auto* q = dynamic_cast<const QtDevice*>(&source);
    if (!q || !q->image()) return;
    blit(to.x, to.y, extent.width, extent.height, *q->image(), from.x, from.y);
}

void QtDevice::picture(gdi::Point to, gdi::Size extent, std::string_view name, gdi::Point from) {
    auto it = pictures_.find(name);
    if (it == pictures_.end()) {
        initOrvelinResources();
        QImage loaded(bitmapResource(name));
        if (!loaded.isNull()) loaded = loaded.convertToFormat(QImage::Format_RGB32);
        it = pictures_.emplace(std::string(name), loaded).first;
    }
    if (it->second.isNull()) return;
    blit(to.x, to.y, extent.width, extent.height, it->second, from.x, from.y);
}

void QtDevice::bitBlt(int x, int y, int w, int h, const gdi::Device& source, int sx, int sy) {
    const auto* q = dynamic_cast<const QtDevice*>(&source);
    if (!q || !q->image()) return;
    blit(x, y, w, h, *q->image(), sx, sy);
}

void QtDevice::bitBltBitmap(int x, int y, int w, int h, Handle bitmap, int sx, int sy) {
    const Object* o = find(bitmap);
    if (!o || o->kind != ObjectKind::Bitmap) return;
    blit(x, y, w, h, o->bitmap, sx, sy);
}

}  // namespace orvelin::qt
