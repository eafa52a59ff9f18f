// The drawing device: the narrow set of raster calls every drawing routine of
// Orvelin needs, with the semantics of the Windows graphics interface the
// drawings were designed against.  Implementations: a recording device for
// tests (recording_device.h), and a QPainter device for the window, the plot
// buffer and the printer (qt/qt_device.h).
//
// Every call takes its style as values: a Pen for lines and outlines, a
// Fill for insides and text backgrounds, a Font and a Colour for text.  The
// device keeps no drawing state from one call to the next.  (The handle
// calls further down, with selected pens, brushes and fonts, are the older
// form of the same interface and are being retired; new drawings use the
// value calls only.)
//
// Semantics that the drawing code relies on:
// - Integer device pixels, y growing downwards, origin at the top-left.
// - line(a, b, pen) draws from a up to, but not including, b; a polyline
//   is its segments drawn one after the other, so only its last point is
//   left out.  (Old form: lineTo from the current position.)
// - rect and ellipse take a bounding box whose right and bottom edges are
//   exclusive: rect({0, 0, 3, 2}, ...) covers columns 0..2 and rows 0..1.
//   The outline runs along the box's own edge pixels, inside it; with
//   kNoPen the fill covers the whole box.
// - text anchors the text's top-left corner (the top of the character cell)
//   at the given point; a solid background fills the cells behind it first.
// - Drawing objects come in three kinds (pen, brush, font; a loaded bitmap is
//   a fourth that cannot be selected).  selectObject returns the object of the
//   same kind that was selected before.  A created object must be deleted by
//   its creator once it is no longer selected; stock objects are never deleted
//   (deleting one is a harmless no-op, as on the platform).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

namespace orvelin::gdi {

/// A colour as 0x00BBGGRR.
using COLORREF = std::uint32_t;

constexpr COLORREF RGB(int r, int g, int b) {
    return static_cast<COLORREF>((r & 0xff) | ((g & 0xff) << 8) | ((b & 0xff) << 16));
}
constexpr int GetRValue(COLORREF c) {
    return static_cast<int>(c & 0xff);
}
constexpr int GetGValue(COLORREF c) {
    return static_cast<int>((c >> 8) & 0xff);
}
constexpr int GetBValue(COLORREF c) {
    return static_cast<int>((c >> 16) & 0xff);
}

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;   ///< exclusive
    int bottom = 0;  ///< exclusive
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// ---------------------------------------------------------------------------
// Style as values.  Every drawing call below takes its pen, fill, font and
// colours as arguments; the device keeps no drawing state between calls.

/// A colour as red, green and blue, 0..255 each.
struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
    friend constexpr bool operator==(Colour, Colour) = default;
};

constexpr Colour rgb(int r, int g, int b) {
    return Colour{static_cast<std::uint8_t>(r & 0xff), static_cast<std::uint8_t>(g & 0xff),
                  static_cast<std::uint8_t>(b & 0xff)};
}

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

enum class LineStyle : std::uint8_t { solid, dash, dot, none };

/// How lines and outlines are stroked.  Width is in device pixels (0 and 1
/// both give the one-pixel line); LineStyle::none strokes nothing.
struct Pen {
    Colour colour{};
    int width = 1;
    LineStyle style = LineStyle::solid;
    friend bool operator==(const Pen&, const Pen&) = default;
};

/// The pen that strokes nothing: a shape is then filled to its full box.
inline constexpr Pen kNoPen{Colour{}, 1, LineStyle::none};

/// The inside of a shape, or the background behind text: a solid colour,
/// or nothing (hollow, transparent).  A Colour converts to a solid fill.
struct Fill {
    bool solid = false;
    Colour colour{};
    constexpr Fill() = default;
    constexpr Fill(Colour c) : solid(true), colour(c) {}  // NOLINT: a colour is a fill
    friend bool operator==(const Fill&, const Fill&) = default;
};

/// Hollow: the shape's inside (or the text's background) is left as it is.
inline constexpr Fill kHollow{};

enum class FontFace : std::uint8_t { sans, mono };

/// A font as a value.  The four classic screen fonts have fixed character
/// cells that the screen tables were laid out in:
///   oemFixed     8 x 12, fixed pitch
///   ansiFixed    8 x 16, fixed pitch
///   systemFixed  8 x 16, fixed pitch
///   system       bold proportional, 16 pixels high
/// A scaled font is a sans or mono face of a given height: a positive height
/// is the character cell (ascent + descent), a negative one the em size, 0
/// the device's default.
struct Font {
    enum class Kind : std::uint8_t { oemFixed, ansiFixed, system, systemFixed, scaled };
    Kind kind = Kind::system;
    int height = 0;
    int weight = 400;  ///< 100..900; 400 normal, 700 bold
    bool italic = false;
    FontFace face = FontFace::sans;

    static constexpr Font oemFixed() { return Font{Kind::oemFixed}; }
    static constexpr Font ansiFixed() { return Font{Kind::ansiFixed}; }
    static constexpr Font system() { return Font{Kind::system}; }
    static constexpr Font systemFixed() { return Font{Kind::systemFixed}; }
    static constexpr Font scaled(int height, int weight = 400, FontFace face = FontFace::sans,
                                 bool italic = false) {
        return Font{Kind::scaled, height, weight, italic, face};
    }
    friend bool operator==(const Font&, const Font&) = default;
};

/// The metrics of a font on a device, in pixels.  height = ascent + descent
/// (the character cell; internal leading lies inside it); externalLeading is
/// the extra room the face suggests between lines.
struct FontMetrics {
    int height = 0;
    int ascent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
    int maxCharWidth = 0;
    /// Distance from one line of text to the next.
    int lineHeight() const { return height + externalLeading; }
};

/// Where textBox places each line across its rectangle.
enum class Align : std::uint8_t { left, centre, right };

/// A drawing object (pen, brush, font, bitmap).  Id 0 is "no object"; stock
/// objects have negative ids, created objects positive ones that a device
/// never reuses.
struct Handle {
    int id = 0;
    explicit operator bool() const { return id != 0; }
    friend bool operator==(const Handle&, const Handle&) = default;
};

enum class ObjectKind { None, Pen, Brush, Font, Bitmap };

/// The stock objects, as the platform names them.
enum StockObject : int {
    WHITE_BRUSH,
    LTGRAY_BRUSH,
    GRAY_BRUSH,
    DKGRAY_BRUSH,
    BLACK_BRUSH,
    NULL_BRUSH,  ///< also known as HOLLOW_BRUSH: fills nothing
    WHITE_PEN,
    BLACK_PEN,
    NULL_PEN,           ///< draws no outline
    OEM_FIXED_FONT,     ///< 8 x 12 character cell, fixed pitch
    ANSI_FIXED_FONT,    ///< 8 x 16 character cell, fixed pitch
    SYSTEM_FONT,        ///< bold proportional, 16 pixels high
    SYSTEM_FIXED_FONT,  ///< 8 x 16 character cell, fixed pitch
    STOCK_OBJECT_COUNT
};
inline constexpr StockObject HOLLOW_BRUSH = NULL_BRUSH;

/// The handle of a stock object (the same on every device).
constexpr Handle stockHandle(StockObject s) {
    return Handle{-1 - static_cast<int>(s)};
}
/// The stock object behind a handle, or -1 when it is not a stock handle.
constexpr int stockIndex(Handle h) {
    return (h.id < 0 && h.id >= -static_cast<int>(STOCK_OBJECT_COUNT)) ? -1 - h.id : -1;
}
ObjectKind stockKind(StockObject s);
/// A stock object's name as the platform spells it ("NULL_PEN").
const char* stockName(StockObject s);
/// The fill of a stock brush: white, light grey (192), grey (128), dark grey
/// (64) or black.  NULL_BRUSH fills nothing and, like any other stock
/// object, gives white here.
COLORREF stockBrushColor(StockObject s);

enum PenStyle : int { PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_NULL = 5 };

enum BkMode : int { TRANSPARENT = 1, OPAQUE = 2 };

/// Font weights.
inline constexpr int FW_DONTCARE = 0;
inline constexpr int FW_NORMAL = 400;
inline constexpr int FW_BOLD = 700;

/// What a created font asks for.  A negative or positive height is the
/// character cell height in pixels (the platform's distinction between cell
/// and em height is not made); 0 asks for the device's default size.  Width 0
/// lets the face choose.
struct FontSpec {
    int height = 0;
    int width = 0;
    int weight = FW_DONTCARE;
    bool italic = false;
    std::string_view face;  ///< copied by the device
};

/// Text metrics of the selected font, in pixels, as the platform reports
/// them: height = ascent + descent; internal leading is inside height,
/// external leading is the extra space the face suggests between lines.
struct TextMetrics {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
};

/// drawText flags.  Horizontal: DT_LEFT (0), DT_CENTER, DT_RIGHT.  Vertical
/// (single line only): DT_TOP (0), DT_VCENTER, DT_BOTTOM.  Without
/// DT_SINGLELINE the text is broken at '\n' and the lines are stacked from the
/// rectangle's top, one font height apart.  Without DT_NOCLIP the text is
/// clipped to the rectangle.
inline constexpr unsigned DT_LEFT = 0x0000;
inline constexpr unsigned DT_TOP = 0x0000;
inline constexpr unsigned DT_CENTER = 0x0001;
inline constexpr unsigned DT_RIGHT = 0x0002;
inline constexpr unsigned DT_VCENTER = 0x0004;
inline constexpr unsigned DT_BOTTOM = 0x0008;
inline constexpr unsigned DT_SINGLELINE = 0x0020;
inline constexpr unsigned DT_NOCLIP = 0x0100;

/// getDeviceCaps indices.
enum DeviceCap : int {
    HORZRES,     ///< width of the screen (or of the printable page) in pixels
    VERTRES,     ///< height of the screen (or printable page) in pixels
    LOGPIXELSX,  ///< pixels per inch across
    LOGPIXELSY,  ///< pixels per inch down
};

/// One drawing surface with its current pen, brush, font, text colour,
/// background mode and pen position.  A fresh device has BLACK_PEN,
/// WHITE_BRUSH and SYSTEM_FONT selected, black text, OPAQUE background in
/// white, and the pen at (0, 0).
class Device {
  public:
    virtual ~Device() = default;

    // ----- Queries.

    /// The client area's size: the window's client area, the whole image,
    /// or the printable page (the same as clientRect's right and bottom).
    Size size() const {
        const Rect r = clientRect();
        return Size{r.right, r.bottom};
    }
    /// The screen the window or image stands on, or the printable page, in
    /// pixels.
    virtual Size screenSize() const = 0;
    /// Pixels per inch across and down.
    virtual Size resolution() const = 0;
    virtual FontMetrics fontMetrics(const Font& font) const = 0;
    /// Width and height (the cell height) of a line of text.
    virtual Size textSize(std::string_view text, const Font& font) const = 0;

    // ----- Drawing, style as values.

    /// A line from `from` up to, not including, `to`.
    virtual void line(Point from, Point to, const Pen& pen) = 0;
    /// Consecutive lines through the points; only the last point is left out.
    void polyline(std::initializer_list<Point> points, const Pen& pen) {
        const Point* previous = nullptr;
        for (const Point& p : points) {
            if (previous) line(*previous, p, pen);
            previous = &p;
        }
    }
    virtual void pixel(Point at, Colour colour) = 0;
    /// A rectangle: the pen's outline inside the box, the fill within it.
    virtual void rect(const Rect& box, const Pen& pen, const Fill& fill = kHollow) = 0;
    /// The ellipse inscribed in the box.
    virtual void ellipse(const Rect& box, const Pen& pen, const Fill& fill = kHollow) = 0;
    /// Fill the box (right and bottom exclusive) with a colour; an empty or
    /// inverted box fills nothing.
    virtual void fill(const Rect& box, Colour colour) = 0;
    /// One line of text, its cell's top-left corner at `at`.
    virtual void text(Point at, std::string_view text, const Font& font, Colour colour,
                      const Fill& background = kHollow) = 0;
    /// Text broken at '\n' into lines stacked from the box's top, one cell
    /// height apart, each placed across the box by `align`, and clipped to
    /// the box.  Returns the height of the lines drawn.
    virtual int textBox(const Rect& box, std::string_view text, const Font& font, Colour colour, Align align,
                        const Fill& background = kHollow) = 0;
    /// Copy `extent` pixels from `from` of another device (the plot buffer)
    /// to `to`; source pixels outside the source are left undrawn.
    virtual void copy(Point to, Size extent, const Device& source, Point from) = 0;
    /// Copy `extent` pixels from `from` of a named picture of the program's
    /// resources (the welcome picture) to `to`; only the part the picture
    /// covers is drawn, and an unknown name draws nothing.
    virtual void picture(Point to, Size extent, std::string_view name, Point from = {}) = 0;

    // ----- The older handle calls, being retired.

    /// The area the drawing routines lay out in: the client area of the
    /// window, the whole image, or the printable page.  left and top are 0.
    virtual Rect clientRect() const = 0;
    virtual int getDeviceCaps(DeviceCap cap) const = 0;

    // Objects.
    Handle getStockObject(StockObject s) const { return stockHandle(s); }
    virtual Handle createPen(PenStyle style, int width, COLORREF color) = 0;
    virtual Handle createSolidBrush(COLORREF color) = 0;
    virtual Handle createFont(const FontSpec& spec) = 0;
    /// A named picture from the program's resources ("quorvex", the welcome
    /// bitmap); an empty handle when there is none.  Delete it after use.
    virtual Handle loadBitmap(std::string_view name) = 0;
    /// Size of a loaded bitmap in pixels.
    virtual Size bitmapSize(Handle bitmap) const = 0;
    /// Select a pen, brush or font; returns the previous one of that kind, or
    /// an empty handle when h is unknown or deleted (nothing changes then).
    virtual Handle selectObject(Handle h) = 0;
    /// Delete a created object.  False for an unknown handle or one still
    /// selected (the object then lives on, as on the platform).
    virtual bool deleteObject(Handle h) = 0;

    // State.
    virtual int setBkMode(BkMode mode) = 0;             ///< returns the previous mode
    virtual COLORREF setBkColor(COLORREF color) = 0;    ///< returns the previous colour
    virtual COLORREF setTextColor(COLORREF color) = 0;  ///< returns the previous colour

    // Lines and shapes.
    virtual void moveTo(int x, int y) = 0;
    virtual void lineTo(int x, int y) = 0;
    virtual void setPixel(int x, int y, COLORREF color) = 0;
    virtual void rectangle(int left, int top, int right, int bottom) = 0;
    virtual void ellipse(int left, int top, int right, int bottom) = 0;
    /// Fill a rectangle (right/bottom exclusive) with a brush, ignoring the
    /// selected pen and brush.
    virtual void fillRect(const Rect& r, Handle brush) = 0;

    // Text.
    virtual void textOut(int x, int y, std::string_view text) = 0;
    /// Returns the height of the drawn text.
    virtual int drawText(std::string_view text, const Rect& r, unsigned flags) = 0;
    virtual TextMetrics getTextMetrics() const = 0;
    virtual Size getTextExtent(std::string_view text) const = 0;

    // Block copies (SRCCOPY).
    /// Copy w x h pixels from (sx, sy) of another device (the plot buffer) to
    /// (x, y).  Source pixels outside the source are left undrawn.
    virtual void bitBlt(int x, int y, int w, int h, const Device& source, int sx, int sy) = 0;
    /// Copy w x h pixels from (sx, sy) of a loaded bitmap to (x, y); only the
    /// part of the extent the bitmap covers is drawn.
    virtual void bitBltBitmap(int x, int y, int w, int h, Handle bitmap, int sx, int sy) = 0;
};

}  // namespace orvelin::gdi
