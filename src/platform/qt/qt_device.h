// The drawing device over QPainter: the window (through the painter of its
// paint event), the plot buffer and rendered views (a QImage), and printed
// pages (a QPrinter).  Pixel rules follow the drawing device's contract:
// lines leave out their end point, rectangles and ellipses leave out their
// right and bottom edges, text hangs from its top-left corner.  Shapes are
// drawn without antialiasing, so a picture has the exact pixels the drawing
// routines computed; text is antialiased for legibility.
//
// Fonts.  The stock fixed-pitch fonts keep their classic character cells
// (8 x 12 for OEM_FIXED_FONT, 8 x 16 for SYSTEM_FIXED_FONT): they are drawn
// in DejaVu Sans Mono, spaced to exactly 8 pixels a character, so columns of
// the tables line up and 14-pixel rows stay legible.  SYSTEM_FONT and the
// face "System_Font" are DejaVu Sans Bold; other faces DejaVu Sans (or the
// mono face for fixed-pitch names).  A created font's positive height is its
// cell height (ascent + descent), a negative one its em size.
#pragma once

#include <QFont>
#include <QImage>
#include <QPainter>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "platform/gdi.h"

namespace orvelin::qt {

/// What getDeviceCaps reports.
struct DeviceCaps {
    int horzRes = 0;  ///< screen (or printable page) width
    int vertRes = 0;  ///< screen (or printable page) height
    int logPixelsX = 96;
    int logPixelsY = 96;
};

class QtDevice : public gdi::Device {
  public:
    /// Draw on an image: the client area is the whole image and the screen
    /// the image's size.
    explicit QtDevice(QImage& image);
    /// Draw on an image standing for a window of the given client area on a
    /// screen of the given size.
    QtDevice(QImage& image, gdi::Rect client, DeviceCaps caps);
    /// Draw on any paint device (a QPrinter, a widget) with a painter of our own.
    QtDevice(QPaintDevice& target, gdi::Rect client, DeviceCaps caps);
    /// Draw through a painter that is already active (a widget's paint event).
    QtDevice(QPainter& painter, gdi::Rect client, DeviceCaps caps);
    ~QtDevice() override;
    QtDevice(const QtDevice&) = delete;
    QtDevice& operator=(const QtDevice&) = delete;

    gdi::Rect clientRect() const override { return client_; }
    gdi::Size screenSize() const override { return {caps_.horzRes, caps_.vertRes}; }
    gdi::Size resolution() const override { return {caps_.logPixelsX, caps_.logPixelsY}; }
    gdi::FontMetrics fontMetrics(const gdi::Font& font) const override;
    gdi::Size textSize(std::string_view text, const gdi::Font& font) const override;

    void line(gdi::Point from, gdi::Point to, const gdi::Pen& pen) override;
    void pixel(gdi::Point at, gdi::Colour colour) override;
    void rect(const gdi::Rect& box, const gdi::Pen& pen, const gdi::Fill& fill = gdi::kHollow) override;
    void ellipse(const gdi::Rect& box, const gdi::Pen& pen, const gdi::Fill& fill = gdi::kHollow) override;
    void fill(const gdi::Rect& box, gdi::Colour colour) override;
    void text(gdi::Point at, std::string_view text, const gdi::Font& font, gdi::Colour colour,
              const gdi::Fill& background = gdi::kHollow) override;
    int textBox(const gdi::Rect& box, std::string_view text, const gdi::Font& font, gdi::Colour colour,
                gdi::Align align, const gdi::Fill& background = gdi::kHollow) override;
    void copy(gdi::Point to, gdi::Size extent, const gdi::Device& source, gdi::Point from) override;
    void picture(gdi::Point to, gdi::Size extent, std::string_view name, gdi::Point from = {}) override;

    int getDeviceCaps(gdi::DeviceCap cap) const override;

    gdi::Handle createPen(gdi::PenStyle style, int width, gdi::COLORREF color) override;
    gdi::Handle createSolidBrush(gdi::COLORREF color) override;
    gdi::Handle createFont(const gdi::FontSpec& spec) override;
    gdi::Handle loadBitmap(std::string_view name) override;
    gdi::Size bitmapSize(gdi::Handle bitmap) const override;
    gdi::Handle selectObject(gdi::Handle h) override;
    bool deleteObject(gdi::Handle h) override;

    int setBkMode(gdi::BkMode mode) override;
    gdi::COLORREF setBkColor(gdi::COLORREF color) override;
    gdi::COLORREF setTextColor(gdi::COLORREF color) override;

    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setPixel(int x, int y, gdi::COLORREF color) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void fillRect(const gdi::Rect& r, gdi::Handle brush) override;

    void textOut(int x, int y, std::string_view text) override;
    int drawText(std::string_view text, const gdi::Rect& r, unsigned flags) override;
    gdi::TextMetrics getTextMetrics() const override;
    gdi::Size getTextExtent(std::string_view text) const override;

    void bitBlt(int x, int y, int w, int h, const gdi::Device& source, int sx, int sy) override;
    void bitBltBitmap(int x, int y, int w, int h, gdi::Handle bitmap, int sx, int sy) override;

    /// The image drawn on, when the device draws on one (a block copy source).
    const QImage* image() const { return image_; }
    QPainter& painter() { return *painter_; }
    /// End our own painter (before saving the image); the device draws no more.
    void end();
    /// Created objects (pens, brushes, fonts, bitmaps) not yet deleted.
    int liveObjects() const { return static_cast<int>(objects_.size()); }
    /// The same over every QtDevice of the process, device lifetimes included:
    /// an object left undeleted when its device goes away stays counted.
    static int leakedOrLiveObjects();

    /// Resource path of a named bitmap (":/orvelin/welcome.png" for
    /// "quorvex").
    static QString bitmapResource(std::string_view name);

  private:
    struct Font;
    struct Object;

    void init();
    const Object* find(gdi::Handle h) const;
    const Font& qtFont(const gdi::Font& font) const;
    const Font& currentFont() const;
    gdi::Pen currentPen() const;
    gdi::Fill currentFill() const;
    gdi::Fill textBackground() const;
    void drawLine1(int x0, int y0, int x1, int y1, const QColor& c);
    void drawTextLine(int x, int y, const QString& s, const Font& f, gdi::Colour colour,
                      const gdi::Fill& background);
    int textWidth(const QString& s, const Font& f) const;
    void blit(int x, int y, int w, int h, const QImage& src, int sx, int sy);

    std::unique_ptr<QPainter> ownPainter_;
    QPainter* painter_ = nullptr;
    QImage* image_ = nullptr;
    gdi::Rect client_;
    DeviceCaps caps_;
    std::map<int, std::unique_ptr<Object>> objects_;
    mutable std::map<std::tuple<int, int, int, bool, int>, std::unique_ptr<Font>> fonts_;
    std::map<std::string, QImage, std::less<>> pictures_;
    gdi::Handle pen_, brush_, font_;
    int bkMode_ = gdi::OPAQUE;
    gdi::COLORREF bkColor_ = gdi::RGB(255, 255, 255);
    gdi::COLORREF textColor_ = gdi::RGB(0, 0, 0);
    int curX_ = 0, curY_ = 0;
};

/// The client area of the program's initial 640 x 454 window: less a
/// 4-pixel sizing frame on every side, a 19-pixel caption and a 19-pixel
/// menu bar (the classic desktop metrics the window was laid out for).
inline constexpr int kInitialClientWidth = 632;
inline constexpr int kInitialClientHeight = 408;

}  // namespace orvelin::qt
