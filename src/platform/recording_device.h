// A drawing device that draws nothing and records every call with its exact
// arguments and the drawing state it was made in, so that tests can compare
// positions, colours, fonts and strings with the figures of the drawing
// routines.  Text metrics are deterministic and fake (fixed cells per font).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/gdi.h"

namespace orvelin::gdi {

/// One recorded call.
struct DrawCall {
    /// The call: "line", "pixel", "rect", "ellipse", "fill", "text",
    /// "textBox", "copy", "picture"; the older handle calls record as
    /// "moveTo", "lineTo", "setPixel", "rectangle", "ellipse", "fillRect",
    /// "textOut", "drawText", "bitBlt", "bitBltBitmap".
    std::string op;
    /// Coordinates in call order: line x0 y0 x1 y1; pixel and text x y;
    /// rect, ellipse, fill and textBox left top right bottom (textBox then
    /// the alignment, 0 left, 1 centre, 2 right); copy and picture x y w h
    /// sx sy.  (drawText: the rectangle, then flags.)
    std::vector<int> args;
    std::string text;  ///< the text; picture: its name

    // Style, as passed (the handle calls record the selected objects here).
    Pen pen;          ///< line, rect, ellipse
    Fill fill;        ///< rect, ellipse
    Font textFont;    ///< text, textBox
    Colour colour{};  ///< text and textBox: the text colour; pixel, fill: the colour
    Fill background;  ///< text, textBox: the cells' background

    COLORREF color = 0;  ///< setPixel: the colour; fillRect: the brush colour

    // State at the time of the call.
    COLORREF penColor = 0;
    int penStyle = PS_SOLID;
    int penWidth = 1;
    bool brushNull = false;
    COLORREF brushColor = 0;
    std::string font;  ///< stock name ("OEM_FIXED_FONT") or "face/height/weight"
    COLORREF textColor = 0;
    int bkMode = OPAQUE;

    /// A compact line for messages: "textOut 10 20 'f/5.01'".
    std::string str() const;
};

/// A created or stock object as the recorder knows it.
struct RecordedObject {
    ObjectKind kind = ObjectKind::None;
    PenStyle penStyle = PS_SOLID;
    int penWidth = 1;
    COLORREF color = 0;  ///< pen or brush colour
    bool nullBrush = false;
    FontSpec font;  ///< face points into faceStorage
    std::string faceStorage;
    std::string bitmapName;
};

class RecordingDevice : public Device {
  public:
    /// A device whose client area is width x height, on a screen of
    /// screenWidth x screenHeight (HORZRES, VERTRES), at 96 pixels per inch.
    RecordingDevice(int width, int height, int screenWidth = 1024, int screenHeight = 768);

    Rect clientRect() const override { return client_; }
    Size screenSize() const override { return {screenWidth_, screenHeight_}; }
    Size resolution() const override { return {96, 96}; }
    FontMetrics fontMetrics(const Font& font) const override;
    Size textSize(std::string_view text, const Font& font) const override;

    void line(Point from, Point to, const Pen& pen) override;
    void pixel(Point at, Colour colour) override;
    void rect(const Rect& box, const Pen& pen, const Fill& fill = kHollow) override;
    void ellipse(const Rect& box, const Pen& pen, const Fill& fill = kHollow) override;
    void fill(const Rect& box, Colour colour) override;
    void text(Point at, std::string_view text, const Font& font, Colour colour,
              const Fill& background = kHollow) override;
    int textBox(const Rect& box, std::string_view text, const Font& font, Colour colour, Align align,
                const Fill& background = kHollow) override;
    void copy(Point to, Size extent, const Device& source, Point from) override;
    void picture(Point to, Size extent, std::string_view name, Point from = {}) override;

    int getDeviceCaps(DeviceCap cap) const override;

    Handle createPen(PenStyle style, int width, COLORREF color) override;
    Handle createSolidBrush(COLORREF color) override;
    Handle createFont(const FontSpec& spec) override;
    Handle loadBitmap(std::string_view name) override;
    Size bitmapSize(Handle bitmap) const override;
    Handle selectObject(Handle h) override;
    bool deleteObject(Handle h) override;

    int setBkMode(BkMode mode) override;
    COLORREF setBkColor(COLORREF color) override;
    COLORREF setTextColor(COLORREF color) override;

    void moveTo(int x, int y) override;
    void lineTo(int x, int y) override;
    void setPixel(int x, int y, COLORREF color) override;
    void rectangle(int left, int top, int right, int bottom) override;
    void ellipse(int left, int top, int right, int bottom) override;
    void fillRect(const Rect& r, Handle brush) override;

    void textOut(int x, int y, std::string_view text) override;
    int drawText(std::string_view text, const Rect& r, unsigned flags) override;
    TextMetrics getTextMetrics() const override;
    Size getTextExtent(std::string_view text) const override;

    void bitBlt(int x, int y, int w, int h, const Device& source, int sx, int sy) override;
    void bitBltBitmap(int x, int y, int w, int h, Handle bitmap, int sx, int sy) override;

    // Inspection.
    const std::vector<DrawCall>& calls() const { return calls_; }
    /// The calls whose op is `op`, in order.
    std::vector<DrawCall> callsOf(const std::string& op) const;
    /// The text, textBox, textOut and drawText calls whose text is `text`.
    std::vector<DrawCall> textsEqual(const std::string& text) const;
    void clearCalls() { calls_.clear(); }
    /// Created objects not yet deleted (loaded bitmaps included).
    int liveObjects() const { return static_cast<int>(objects_.size()); }
    /// Calls that broke the object rules: deleting a selected or unknown
    /// object, selecting a deleted one.  Each entry says which.
    const std::vector<std::string>& misuse() const { return misuse_; }
    Handle selectedPen() const { return pen_; }
    Handle selectedBrush() const { return brush_; }
    Handle selectedFont() const { return font_; }
    /// A size for a named bitmap (unknown names load as empty handles).
    void addBitmap(const std::string& name, Size size) { bitmaps_[name] = size; }

  private:
    const RecordedObject* find(Handle h) const;
    Font selectedFontValue() const;
    DrawCall call(const std::string& op, std::vector<int> args, std::string text = {}) const;
    std::string fontName(Handle h) const;
    void record(DrawCall c) { calls_.push_back(std::move(c)); }

    Rect client_;
    int screenWidth_, screenHeight_;
    std::map<int, RecordedObject> objects_;
    std::map<std::string, Size> bitmaps_;
    std::vector<DrawCall> calls_;
    std::vector<std::string> misuse_;
    int nextId_ = 1;
    Handle pen_, brush_, font_;
    int bkMode_ = OPAQUE;
    COLORREF bkColor_ = RGB(255, 255, 255);
    COLORREF textColor_ = RGB(0, 0, 0);
    int curX_ = 0, curY_ = 0;
};

}  // namespace orvelin::gdi
