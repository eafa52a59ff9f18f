#include "shell/kept_picture.h"

#include <QPaintEngine>
#include <QPainter>
#include <cmath>

#include "app/app_state.h"

namespace orvelin {

namespace {

/// The raster image a painter draws on, whose format a picture must share
/// for its text to come out alike; null for any other target.
const QImage* rasterTarget(const QPainter& painter) {
    const QPaintEngine* engine = painter.paintEngine();
    const QPaintDevice* device = engine ? engine->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return nullptr;
    return static_cast<const QImage*>(device);
}

/// Whether the painter maps the client's pixels one to one onto the target,
/// at most shifted by whole pixels, so that a copy lands where drawing would.
bool wholePixelShift(const QPainter& painter) {
    const QTransform t = painter.deviceTransform();
    return t.type() <= QTransform::TxTranslate && t.dx() == std::trunc(t.dx()) &&
           t.dy() == std::trunc(t.dy());
}

}  // namespace

std::optional<PictureKey> keptPictureKey(AppState& s, const QPainter& painter, QSize size,
                                         const QBrush& background) {
    if (s.viewState != kViewImageQuality && s.viewState != kViewClearance) return std::nullopt;
    const QImage* target = rasterTarget(painter);
    if (!target || !wholePixelShift(painter) || target->devicePixelRatio() != 1 || !background.isOpaque() ||
        background.style() != Qt::SolidPattern || size.isEmpty())
        return std::nullopt;
    // Asking for the view's figures computes them only when the design
    // changed, and then moves the revision on.
    if (s.viewState == kViewImageQuality)
        s.evaluation.quality(s.design);
    else
        s.evaluation.clearance(s.design);
    return PictureKey{s.viewState, s.evaluation.revision(), size, target->format(), background};
}

void KeptPicture::paint(QPainter& target, const PictureKey& key, const std::function<void(QPainter&)>& draw) {
    if (!key_ || !(*key_ == key)) {
        key_.reset();
        if (picture_.size() != key.size || picture_.format() != key.format)
            picture_ = QImage(key.size, key.format);
        picture_.fill(key.background.color());
        QPainter painter(&picture_);
        draw(painter);
        painter.end();
        key_ = key;
        ++draws_;
    }
    target.drawImage(QPoint(0, 0), picture_);
}

}  // namespace orvelin
