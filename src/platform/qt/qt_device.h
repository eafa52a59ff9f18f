// The drawing device over QPainter: the window (through the painter of its
// paint event), the plot buffer and rendered views (a QImage), and printed
// pages (a QPrinter).  Pixel rules follow the drawing device's contract:
// lines leave out their end point, rectangles and ellipses leave out their
// right and bottom edges, text hangs from its top-left corner.  Shapes are
// drawn without antialiasing, so a picture has the exact pixels the drawing
// routines computed; text is antialiased for legibility.
//
// Fonts.  The classic fixed-pitch screen fonts keep their character cells
// (8 x 12 for Font::smallMono, 8 x 16 for Font::boldMono):
// they are drawn in DejaVu Sans Mono, spaced to exactly 8 pixels a
// character, so columns of the tables line up and 14-pixel rows stay
// legible.  Font::boldSans is DejaVu Sans Bold; scaled fonts DejaVu Sans or
// DejaVu Sans Mono.  A scaled font's positive height is its cell height
// (ascent + descent), a negative one its em size.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/draw_device.h"

namespace orvelin::qt {

/// The screen (or printable page) a device stands on and its resolution.
struct ScreenMetrics {
    int screenWidth = 0;   ///< screen (or printable page) width
    int screenHeight = 0;  ///< screen (or printable page) height
    int dpiX = 96;
    int dpiY = 96;
};

class QtDevice : public draw::Device {
  public:
    /// Draw on an image: the client area is the whole image and the screen
    /// the image's size.
    explicit QtDevice(QImage& image);
    /// Draw on an image standing for a window of the given client area on a
    /// screen of the given size.
    QtDevice(QImage& image, draw::Rect client, ScreenMetrics caps);
    /// Draw on any paint device (a QPrinter, a widget) with a painter of our own.
    QtDevice(QPaintDevice& target, draw::Rect client, ScreenMetrics caps);
    /// Draw through a painter that is already active (a widget's paint event).
    QtDevice(QPainter& painter, draw::Rect client, ScreenMetrics caps);
    ~QtDevice() override;
    QtDevice(const QtDevice&) = delete;
    QtDevice& operator=(const QtDevice&) = delete;

    draw::Size size() const override { return {client_.right, client_.bottom}; }
    draw::Size screenSize() const override { return {caps_.screenWidth, caps_.screenHeight}; }
    draw::Size resolution() const override { return {caps_.dpiX, caps_.dpiY}; }
    draw::FontMetrics fontMetrics(const draw::Font& font) const override;
    draw::Size textSize(std::string_view text, const draw::Font& font) const override;

    void line(draw::Point from, draw::Point to, const draw::Pen& pen) override;
    void pixel(draw::Point at, draw::Colour colour) override;
    void rect(const draw::Rect& box, const draw::Pen& pen, const draw::Fill& fill = draw::kHollow) override;
    void ellipse(const draw::Rect& box, const draw::Pen& pen,
                 const draw::Fill& fill = draw::kHollow) override;
    void fill(const draw::Rect& box, draw::Colour colour) override;
    void text(draw::Point at, std::string_view text, const draw::Font& font, draw::Colour colour,
              const draw::Fill& background = draw::kHollow) override;
    int textBox(const draw::Rect& box, std::string_view text, const draw::Font& font, draw::Colour colour,
                draw::Align align, const draw::Fill& background = draw::kHollow) override;
    void copy(draw::Point to, draw::Size extent, const draw::Device& source, draw::Point from) override;
    void picture(draw::Point to, draw::Size extent, std::string_view name, draw::Point from = {}) override;
    void image(draw::Point at, draw::Size extent, std::span<const draw::Colour> pixels) override;

    /// The image drawn on, when the device draws on one (a block copy source).
    const QImage* image() const { return image_; }
    QPainter& painter() { return *painter_; }
    /// End our own painter (before saving the image); the device draws no more.
    void end();

    /// Resource path of a named bitmap (":/orvelin/welcome.png" for
    /// "quorvex").
    static QString bitmapResource(std::string_view name);

  private:
    struct Font;

    void init();
    const Font& qtFont(const draw::Font& font) const;
    void drawLine1(int x0, int y0, int x1, int y1, const QColor& c);
    void drawTextLine(int x, int y, const QString& s, const Font& f, draw::Colour colour,
                      const draw::Fill& background);
    int textWidth(const QString& s, const Font& f) const;
    void blit(int x, int y, int w, int h, const QImage& src, int sx, int sy);

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    QImage* image_ = nullptr;
    draw::Rect client_;
    ScreenMetrics caps_;
    mutable std::map<std::tuple<int, int, int, bool, int>, std::unique_ptr<Font>> fonts_;
    std::map<std::string, QImage, std::less<>> pictures_;
};

/// The client area of the program's initial 640 x 454 window: less a
/// 4-pixel sizing frame on every side, a 19-pixel caption and a 19-pixel
/// menu bar (the classic desktop metrics the window was laid out for).
inline constexpr int kInitialClientWidth = 632;
inline constexpr int kInitialClientHeight = 408;

}  // namespace orvelin::qt
