#include "app/windows/hosting/WindowPlacement.hpp"

#include <algorithm>

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

namespace {

double insideRange(double start, double length, double rangeStart, double rangeLength) {
    // The far edge gives way first: the near edge (the top, the left) always stays in range.
    return std::max(std::min(start, rangeStart + rangeLength - length), rangeStart);
}

}  // namespace

std::optional<QRectF> mostOverlapped(const QRectF& frame, const std::vector<QRectF>& visibleFrames) {
    std::optional<QRectF> best;
    double bestArea = 0;
    for (const QRectF& visible : visibleFrames) {
        const QRectF common = frame.intersected(visible);
        const double area = common.width() * common.height();
        if (visible.isValid() && area > bestArea) {
            best = visible;
            bestArea = area;
        }
    }
    return best;
}

double scaleToFit(const QSizeF& size, const QRectF& visibleFrame) {
    if (!(size.height() > 0) || !(visibleFrame.height() > 0) || size.height() <= visibleFrame.height()) return 1;
    return visibleFrame.height() / size.height();
}

namespace {

std::optional<QPointF> showPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                 const std::optional<QRectF>& mainVisibleFrame,
                                 QPointF (*firstSpot)(const QSizeF&, const QRectF&)) {
    if (staysOnScreen(frame, visibleFrames)) {
        // Where the user put it stands, straddling two screens or tucked at an edge; only a
        // window taller than its screen gets its top edge back on it, where its header is.
        const QRectF screen = *mostOverlapped(frame, visibleFrames);
        if (frame.height() > screen.height() && frame.top() < screen.top()) return QPointF(frame.left(), screen.top());
        return std::nullopt;
    }
    if (!mainVisibleFrame) return std::nullopt;
    return firstSpot(frame.size(), *mainVisibleFrame);
}

}  // namespace

QPointF inside(const QRectF& frame, const QRectF& visibleFrame) {
    return {insideRange(frame.left(), frame.width(), visibleFrame.left(), visibleFrame.width()),
            insideRange(frame.top(), frame.height(), visibleFrame.top(), visibleFrame.height())};
}

QPointF centred(const QSizeF& size, const QRectF& visibleFrame) {
    const QPointF centre(visibleFrame.center().x() - size.width() / 2, visibleFrame.center().y() - size.height() / 2);
    return inside(QRectF(centre, size), visibleFrame);
}

QPointF topCentre(const QSizeF& size, const QRectF& visibleFrame) {
    const QPointF spot(visibleFrame.center().x() - size.width() / 2, visibleFrame.top() + stripTopMargin);
    return inside(QRectF(spot, size), visibleFrame);
}

std::optional<QPointF> deviceShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                       const std::optional<QRectF>& mainVisibleFrame) {
    return showPlace(frame, visibleFrames, mainVisibleFrame, &centred);
}

std::optional<QPointF> stripShowPlace(const QRectF& frame, const std::vector<QRectF>& visibleFrames,
                                      const std::optional<QRectF>& mainVisibleFrame) {
    return showPlace(frame, visibleFrames, mainVisibleFrame, &topCentre);
}

}  // namespace quorvel::WindowPlacement
