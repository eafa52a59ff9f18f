// A drawing device that draws nothing and records every call with its exact
// arguments and style, so that tests can compare positions, colours, fonts
// and strings with the figures of the drawing routines.  Text metrics are
// deterministic and fake (fixed cells per font).
#pragma once

#include <string>
#include <vector>

#include "platform/draw_device.h"

namespace orvelin::draw {

/// One recorded call.
struct DrawCall {
    /// The call: "line", "pixel", "rect", "ellipse", "fill", "text",
    /// "textBox", "copy", "picture", "image".
    std::string op;
    /// Coordinates in call order: line x0 y0 x1 y1; pixel and text x y;
    /// rect, ellipse, fill and textBox left top right bottom (textBox then
    /// the alignment, 0 left, 1 centre, 2 right); copy and picture x y w h
    /// sx sy; image x y w h.
    std::vector<int> args;
    std::string text;  ///< the text; picture: its name

    // Style, as passed.
    Pen pen;          ///< line, rect, ellipse
    Fill fill;        ///< rect, ellipse
    Font textFont;    ///< text, textBox
    Colour colour{};  ///< text and textBox: the text colour; pixel, fill: the colour
    Fill background;  ///< text, textBox: the cells' background
    std::vector<Colour> pixels;  ///< image: its pixels, row after row

    /// A compact line for messages: "text 10 20 'f/5.01'".
    std::string str() const;
};

class RecordingDevice : public Device {
  public:
    /// A device whose drawing area is width x height, on a screen of
    /// screenWidth x screenHeight, at 96 pixels per inch.
    RecordingDevice(int width, int height, int screenWidth = 1024, int screenHeight = 768);

    Size size() const override { return size_; }
    Size screenSize() const override { return screen_; }
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
    void image(Point at, Size extent, std::span<const Colour> pixels) override;

    // Inspection.
    const std::vector<DrawCall>& calls() const { return calls_; }
    /// The calls whose op is `op`, in order.
    std::vector<DrawCall> callsOf(const std::string& op) const;
    /// The text and textBox calls whose text is `text`.
    std::vector<DrawCall> textsEqual(const std::string& text) const;
    void clearCalls() { calls_.clear(); }

  private:
    void record(DrawCall c) { calls_.push_back(std::move(c)); }

    Size size_;
    Size screen_;
    std::vector<DrawCall> calls_;
};

}  // namespace orvelin::draw
