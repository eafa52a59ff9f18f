#include "platform/qt/qt_device.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <algorithm>
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

namespace {

QColor qcolour(draw::Colour c) {
    return QColor(c.r, c.g, c.b);
}

Qt::PenStyle qtStyle(draw::LineStyle style) {
    switch (style) {
        case draw::LineStyle::none:
            return Qt::NoPen;
        case draw::LineStyle::dash:
            return Qt::DashLine;
        case draw::LineStyle::dot:
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
    int cellHeight = 16;  ///< the cell: ascent + descent
    int ascent = 13;      ///< from the cell's top to the baseline
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 8;
    int maxCharWidth = 8;
    int fixedPitch = 0;  ///< > 0: every character is drawn in a cell this wide
};

QString QtDevice::bitmapResource(std::string_view name) {
    if (name == "quorvex") return QStringLiteral(":/orvelin/welcome.png");
    return QStringLiteral(":/orvelin/") + latin1(name) + QStringLiteral(".png");
}

QtDevice::QtDevice(QImage& image)
    : QtDevice(image, draw::Rect{0, 0, image.width(), image.height()},
               ScreenMetrics{image.width(), image.height()}) {}

QtDevice::QtDevice(QImage& image, draw::Rect client, ScreenMetrics caps)
    : ownPainter_(std::make_unique<QPainter>(&image)), image_(&image), client_(client), caps_(caps) {
    painter_ = ownPainter_.get();
    init();
}

QtDevice::QtDevice(QPaintDevice& target, draw::Rect client, ScreenMetrics caps)
    : ownPainter_(std::make_unique<QPainter>(&target)), client_(client), caps_(caps) {
    painter_ = ownPainter_.get();
    init();
}

QtDevice::QtDevice(QPainter& painter, draw::Rect client, ScreenMetrics caps)
    : painter_(&painter), client_(client), caps_(caps) {
    init();
}

void QtDevice::init() {
    initOrvelinResources();
    // Shapes keep the exact pixels the drawing routines computed.
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setRenderHint(QPainter::TextAntialiasing, true);
}

QtDevice::~QtDevice() {
    end();
}

void QtDevice::end() {
    if (ownPainter_ && ownPainter_->isActive()) ownPainter_->end();
}

// ---------------------------------------------------------------------------
// Fonts.

const QtDevice::Font& QtDevice::qtFont(const draw::Font& font) const {
    using Kind = draw::Font::Kind;
    auto& slot = fonts_[{static_cast<int>(font.kind), font.height, font.weight, font.italic,
                         static_cast<int>(font.face)}];
    if (slot) return *slot;
    slot = std::make_unique<Font>();
    Font& f = *slot;
    if (font.kind == Kind::scaled) {
        const bool mono = font.face == draw::FontFace::mono;
        f.font = QFont(QString::fromLatin1(mono ? kMono : kSans));
        f.font.setStyleHint(mono ? QFont::Monospace : QFont::SansSerif);
        const int weight = font.weight == 0 ? 400 : font.weight;
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
        case Kind::smallMono:
            f.font = QFont(QString::fromLatin1(kMono));
            f.cellHeight = 12;
            f.ascent = 10;
            break;
        case Kind::boldMono:
            f.font = QFont(QString::fromLatin1(kMono));
            f.font.setBold(true);
            f.cellHeight = 16;
            f.ascent = 13;
            break;
        default:  // boldSans: a bold proportional face in a 16-pixel cell
            f.font = QFont(QString::fromLatin1(kSans));
            f.font.setBold(true);
            f.cellHeight = 16;
            f.ascent = 13;
            break;
    }
    f.font.setPixelSize(13);
    f.font.setKerning(false);
    withoutLigatures(f.font);
    if (font.kind == Kind::boldSans) {
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

// ---------------------------------------------------------------------------
// Lines and shapes.

// A one-pixel line by Bresenham's rule, every pixel from the start up to but
// not including the end.  Pixels far beyond the device are not drawn: a
// layout thrown far off the page reaches 10^8 pixels out, and a PDF or SVG
// would otherwise hold every one of them (gigabytes) although none shows.
void QtDevice::drawLine1(int x0, int y0, int x1, int y1, const QColor& c) {
    constexpr int kFar = 1 << 14;
    const draw::Size area = size();
    const int minX = -kFar, minY = -kFar, maxX = area.width + kFar, maxY = area.height + kFar;
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int x = x0, y = y0;
    while (x != x1 || y != y1) {
        if (x >= minX && x <= maxX && y >= minY && y <= maxY) painter_->fillRect(x, y, 1, 1, c);
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

void QtDevice::line(draw::Point from, draw::Point to, const draw::Pen& pen) {
    const Qt::PenStyle style = qtStyle(pen.style);
    const int width = std::max(1, pen.width);
    if (style == Qt::SolidLine && width == 1) {
        drawLine1(from.x, from.y, to.x, to.y, qcolour(pen.colour));
    } else if (style != Qt::NoPen) {
        painter_->setPen(QPen(qcolour(pen.colour), width, style, Qt::FlatCap));
        painter_->drawLine(from.x, from.y, to.x, to.y);
    }
}

void QtDevice::pixel(draw::Point at, draw::Colour colour) {
    painter_->fillRect(at.x, at.y, 1, 1, qcolour(colour));
}

void QtDevice::rect(const draw::Rect& box, const draw::Pen& pen, const draw::Fill& fill) {
    int left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    const int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0) return;
    const bool outline = pen.style != draw::LineStyle::none;
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

void QtDevice::ellipse(const draw::Rect& box, const draw::Pen& pen, const draw::Fill& fill) {
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

void QtDevice::fill(const draw::Rect& r, draw::Colour colour) {
    // An empty or inverted rectangle fills nothing, as on the platform.
    if (r.width() <= 0 || r.height() <= 0) return;
    painter_->fillRect(r.left, r.top, r.width(), r.height(), qcolour(colour));
}

// ---------------------------------------------------------------------------
// Text.

int QtDevice::textWidth(const QString& s, const Font& f) const {
    if (f.fixedPitch > 0) return f.fixedPitch * static_cast<int>(s.size());
    return QFontMetrics(f.font, painter_->device()).horizontalAdvance(s);
}

void QtDevice::drawTextLine(int x, int y, const QString& s, const Font& f, draw::Colour colour,
                            const draw::Fill& background) {
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

void QtDevice::text(draw::Point at, std::string_view text, const draw::Font& font, draw::Colour colour,
                    const draw::Fill& background) {
    drawTextLine(at.x, at.y, latin1(text), qtFont(font), colour, background);
}

int QtDevice::textBox(const draw::Rect& r, std::string_view text, const draw::Font& font, draw::Colour colour,
                      draw::Align align, const draw::Fill& background) {
    const Font& f = qtFont(font);
    const QStringList lines = latin1(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    painter_->save();
    painter_->setClipRect(QRect(r.left, r.top, r.width(), r.height()), Qt::IntersectClip);
    int y = r.top;
    for (const QString& line : lines) {
        const int w = textWidth(line, f);
        int x = r.left;
        if (align == draw::Align::centre)
            x = r.left + (r.width() - w) / 2;
        else if (align == draw::Align::right)
            x = r.right - w;
        drawTextLine(x, y, line, f, colour, background);
        y += f.cellHeight;
    }
    painter_->restore();
    return static_cast<int>(lines.size()) * f.cellHeight;
}

draw::FontMetrics QtDevice::fontMetrics(const draw::Font& font) const {
    const Font& f = qtFont(font);
    return draw::FontMetrics{f.cellHeight,      f.ascent,       f.internalLeading,
                             f.externalLeading, f.aveCharWidth, f.maxCharWidth};
}

draw::Size QtDevice::textSize(std::string_view text, const draw::Font& font) const {
    const Font& f = qtFont(font);
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

void QtDevice::copy(draw::Point to, draw::Size extent, const draw::Device& source, draw::Point from) {
    const auto* q = dynamic_cast<const QtDevice*>(&source);
    if (!q || !q->image()) return;
    blit(to.x, to.y, extent.width, extent.height, *q->image(), from.x, from.y);
}

void QtDevice::image(draw::Point at, draw::Size extent, std::span<const draw::Colour> pixels) {
    const int w = extent.width, h = extent.height;
    if (w <= 0 || h <= 0 || pixels.size() < static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) return;
    // One QImage, so that an SVG or PDF file holds one picture rather than a
    // rectangle a pixel.
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        const draw::Colour* row = pixels.data() + static_cast<std::size_t>(y) * w;
        for (int x = 0; x < w; ++x) line[x] = qRgb(row[x].r, row[x].g, row[x].b);
    }
    painter_->drawImage(QPoint(at.x, at.y), picture);
}

void QtDevice::picture(draw::Point to, draw::Size extent, std::string_view name, draw::Point from) {
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

}  // namespace orvelin::qt
