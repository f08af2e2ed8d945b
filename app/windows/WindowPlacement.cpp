#include "app/windows/WindowPlacement.hpp"

namespace quorvel::WindowPlacement {

bool staysOnScreen(const QRectF& frame, const std::vector<QRectF>& visibleFrames) {
    const QRectF inner = frame.adjusted(onScreenInset, onScreenInset, -onScreenInset, -onScreenInset);
    // QRectF::intersects normalises a rectangle turned inside out, which would let a small
    // window pass; an inner part that is gone meets nothing.
    if (inner.width() <= 0 || inner.height() <= 0) return false;
    for (const QRectF& visible : visibleFrames) {
        if (visible.isValid() && inner.intersects(visible)) return true;
    }
    return false;
}

QPointF centred(const QSizeF& size, const QRectF& visibleFrame) {
    return {visibleFrame.center().x() - size.width() / 2, visibleFrame.center().y() - size.height() / 2};
}

QPointF topCentre(const QSizeF& size, const QRectF& visibleFrame) {
    return {visibleFrame.center().x() - size.width() / 2, visibleFrame.top() + stripTopMargin};
}

std::optional<QPointF> deviceShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                       const std::optional<QRectF>& mainVisibleFrame) {
    if (staysOnScreen(frame, visibleFrames) || !mainVisibleFrame) return std::nullopt;
    return centred(frame.size(), *mainVisibleFrame);
}

std::optional<QPointF> stripShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                      const std::optional<QRectF>& mainVisibleFrame) {
    if (staysOnScreen(frame, visibleFrames) || !mainVisibleFrame) return std::nullopt;
    return topCentre(frame.size(), *mainVisibleFrame);
}

}  // namespace quorvel::WindowPlacement
