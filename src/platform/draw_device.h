// The drawing device: the narrow set of raster calls every drawing routine of
// Orvelin needs.  Implementations: a recording device for tests
// (recording_device.h), and a QPainter device for the window, the plot
// buffer, the printer and SVG (qt/qt_device.h).
//
// Every call takes its style as values: a Pen for lines and outlines, a
// Fill for insides and text backgrounds, a Font and a Colour for text.  The
// device keeps no drawing state from one call to the next.
//
// Semantics that the drawing code relies on:
// - Integer device pixels, y growing downwards, origin at the top-left.
// - line(a, b, pen) draws from a up to, but not including, b; a polyline
//   is its segments drawn one after the other, so only its last point is
//   left out.
// - rect and ellipse take a bounding box whose right and bottom edges are
//   exclusive: rect({0, 0, 3, 2}, ...) covers columns 0..2 and rows 0..1.
//   The outline runs along the box's own edge pixels, inside it; with
//   kNoPen the fill covers the whole box.
// - image puts one picture pixel on one device pixel.
// - text anchors the text's top-left corner (the top of the character cell)
//   at the given point; a solid background fills the cells behind it first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace orvelin::draw {

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

/// A font as a value.  The three screen fonts have fixed character cells
/// that the screen tables were laid out in:
///   smallMono  8 x 12, fixed pitch (table rows)
///   boldMono   8 x 16, fixed pitch, bold (headings)
///   boldSans   bold proportional, 16 pixels high (captions, banners)
/// A scaled font is a sans or mono face of a given height: a positive height
/// is the character cell (ascent + descent), a negative one the em size, 0
/// the device's default.
struct Font {
    enum class Kind : std::uint8_t { smallMono, boldMono, boldSans, scaled };
    Kind kind = Kind::boldSans;
    int height = 0;
    int weight = 400;  ///< 100..900; 400 normal, 700 bold
    bool italic = false;
    FontFace face = FontFace::sans;

    static constexpr Font smallMono() { return Font{Kind::smallMono}; }
    static constexpr Font boldMono() { return Font{Kind::boldMono}; }
    static constexpr Font boldSans() { return Font{Kind::boldSans}; }
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

/// One drawing surface.
class Device {
  public:
    virtual ~Device() = default;

    // ----- Queries.

    /// The area the drawing routines lay out in, from (0, 0): the window's
    /// client area, the whole image, or the printable page.
    virtual Size size() const = 0;
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
    /// A picture made by the caller, `extent` pixels of `pixels` row after
    /// row from the top, one device pixel each, its top-left corner at `at`
    /// (a computed image such as a point spread function).  This default
    /// fills each run of equal colours of a row; a device that holds images
    /// draws it whole, so a vector file keeps one picture.
    virtual void image(Point at, Size extent, std::span<const Colour> pixels) {
        if (extent.width <= 0 || extent.height <= 0 ||
            pixels.size() < static_cast<std::size_t>(extent.width) * static_cast<std::size_t>(extent.height))
            return;
        for (int y = 0; y < extent.height; ++y) {
            const Colour* row = pixels.data() + static_cast<std::size_t>(y) * extent.width;
            for (int x = 0; x < extent.width;) {
                int end = x + 1;
                while (end < extent.width && row[end] == row[x]) ++end;
                fill({at.x + x, at.y + y, at.x + end, at.y + y + 1}, row[x]);
                x = end;
            }
        }
    }
    /// Copy `extent` pixels from `from` of another device (the plot buffer)
    /// to `to`; source pixels outside the source are left undrawn.
    virtual void copy(Point to, Size extent, const Device& source, Point from) = 0;
    /// Copy `extent` pixels from `from` of a named picture of the program's
    /// resources (the welcome picture) to `to`; only the part the picture
    /// covers is drawn, and an unknown name draws nothing.
    virtual void picture(Point to, Size extent, std::string_view name, Point from = {}) = 0;
};

}  // namespace orvelin::draw
