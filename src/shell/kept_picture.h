// The picture of an analysis view as last drawn.  The quality and clearance
// views draw hundreds of text runs and thousands of spot pixels from
// figures the evaluation keeps until the design changes, so a repaint that
// changes nothing (an uncovered window, a tooltip gone, a focus change)
// copies the kept picture instead of drawing it all again.
#pragma once

#include <QBrush>
#include <QImage>
#include <QSize>
#include <cstdint>
#include <functional>
#include <optional>

class QPainter;

namespace orvelin {

struct AppState;

/// Everything a kept picture depends on: the view and the revision of the
/// evaluation it was drawn from, the client's size, the background it was
/// drawn over, and the target's pixel format (text is rendered for it).
struct PictureKey {
    int view = 0;
    std::uint64_t revision = 0;
    QSize size;
    QImage::Format format = QImage::Format_Invalid;
    QBrush background;

    friend bool operator==(const PictureKey&, const PictureKey&) = default;
};

/// The key of the current view's picture for a client of `size` painted by
/// `painter` over `background`, with the evaluation brought up to date for
/// the view; none when the view is not drawn from kept figures, or when
/// the target is not one a copy reproduces to the pixel (not a raster image,
/// scaled, or a background that is not opaque): such paints draw directly.
std::optional<PictureKey> keptPictureKey(AppState& state, const QPainter& painter, QSize size,
                                         const QBrush& background);

class KeptPicture {
  public:
    /// Paint through the kept picture: when `key` is not the kept one the
    /// picture is drawn afresh by `draw` over the key's background first.
    void paint(QPainter& target, const PictureKey& key, const std::function<void(QPainter&)>& draw);
    /// How often a picture was drawn afresh.
    int draws() const { return draws_; }

  private:
    std::optional<PictureKey> key_;
    QImage picture_;
    int draws_ = 0;
};

}  // namespace orvelin
