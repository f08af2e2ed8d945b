#include "kit/visuals/views/device/ObliqueShell.hpp"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <map>
#include <mutex>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"

namespace quorvel {
QSizeF ObliqueShell::totalSize(QSizeF face) const {
    return {outerLeading + face.width() + depthX + outerTrailing, outerTop + face.height() + depthY + outerBottom};
}

QRectF ObliqueShell::frame(QSizeF face) const {
    return {outerLeading, outerTop, face.width() + depthX, face.height() + depthY};
}

QRectF ObliqueShell::faceRect(QSizeF face) const { return {QPointF(outerLeading, outerTop + depthY), face}; }

namespace {

QPainterPath closedOutline(std::initializer_list<QPointF> corners) {
    QPainterPath path;
    path.moveTo(*corners.begin());
    for (auto corner = corners.begin() + 1; corner != corners.end(); ++corner) path.lineTo(*corner);
    path.closeSubpath();
    return path;
}

}  // namespace

QPainterPath ObliqueShell::silhouette(const QRectF& frame) const {
    const double x = frame.left();
    const double y = frame.top();
    const double w = frame.width();
    const double h = frame.height();
    return closedOutline({{x, y + depthY}, {x + depthX, y}, {x + w, y}, {x + w, y + h - depthY},
                          {x + w - depthX, y + h}, {x, y + h}});
}

QPainterPath ObliqueShell::topFace(const QRectF& frame) const {
    const double x = frame.left();
    const double y = frame.top();
    const double w = frame.width();
    return closedOutline({{x, y + depthY}, {x + depthX, y}, {x + w, y}, {x + w - depthX, y + depthY}});
}

void ObliqueShell::paint(QPainter& painter, const QRectF& frame) const {
    const QPainterPath outline = silhouette(frame);
    const QPainterPath top = topFace(frame);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(outline, drawing::toQColor(Tokens::side));
    painter.fillPath(top, drawing::toQColor(Tokens::top));

    painter.save();
    painter.setClipPath(top, Qt::IntersectClip);
    Grain{0.1}.paint(painter, top.boundingRect());
    painter.restore();

    QPainterPath crease;
    crease.moveTo(frame.right() - depthX, frame.top() + depthY);
    crease.lineTo(frame.right(), frame.top());
    drawing::strokePath(painter, crease, drawing::toQColor(Tokens::ink), 1.5);

    QPen pen = drawing::strokePen(drawing::toQColor(Tokens::ink), 3);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.strokePath(outline, pen);
    painter.restore();
}

QImage ObliqueShell::floorShadowImage(double width) {
    // The shadow has no edge to keep sharp, so it is blurred at half a pixel per point and
    // drawn magnified: a sixteenth of the work of blurring it at a 2x screen's density.
    constexpr double pixelsPerPoint = 0.5;
    constexpr double radius = 6;
    static std::mutex lock;
    static std::map<double, QImage> cache;
    std::lock_guard guard(lock);
    if (const auto found = cache.find(width); found != cache.end()) return found->second;

    const int margin = drawing::blurSpread(radius * pixelsPerPoint);
    const QSizeF ellipse(std::max(0.0, width) * pixelsPerPoint, floorShadowHeight * pixelsPerPoint);
    QImage image(static_cast<int>(std::ceil(ellipse.width())) + 2 * margin,
                 static_cast<int>(std::ceil(ellipse.height())) + 2 * margin, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(Qt::NoPen);
        painter.setBrush(drawing::toQColor(Tokens::black, 0.25));
        painter.drawEllipse(QRectF(QPointF(margin, margin), ellipse));
    }
    drawing::blurAlpha(image, radius * pixelsPerPoint);
    image.setDevicePixelRatio(pixelsPerPoint);
    cache.emplace(width, image);
    return image;
}

void ObliqueShell::paintFloorShadow(QPainter& painter, const QRectF& frame) {
    const double width = frame.width() - 2 * floorShadowInset;
    if (!(width > 0)) return;
    const QImage shadow = floorShadowImage(width);
    if (shadow.isNull()) return;
    const double margin = (shadow.height() / shadow.devicePixelRatio() - floorShadowHeight) / 2;
    const QPointF ellipseTopLeft(frame.left() + floorShadowInset, frame.bottom() - floorShadowHeight + floorShadowDrop);
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(ellipseTopLeft - QPointF(margin, margin), shadow);
    painter.restore();
}

namespace {

// A hard inner shadow of a rectangle is the rectangle less itself moved by the offset: a band
// along two edges. Painted as such, it costs two fills instead of a layer the casing's size.
void paintRectangleInnerShadow(QPainter& painter, const QRectF& rect, const QColor& colour, QPointF offset) {
    const double dx = std::min(std::abs(offset.x()), rect.width());
    const double dy = std::min(std::abs(offset.y()), rect.height());
    const QRectF across = offset.y() >= 0 ? QRectF(rect.left(), rect.top(), rect.width(), dy)
                                          : QRectF(rect.left(), rect.bottom() - dy, rect.width(), dy);
    const double sideTop = offset.y() >= 0 ? across.bottom() : rect.top();
    const QRectF side = offset.x() >= 0 ? QRectF(rect.left(), sideTop, dx, rect.height() - dy)
                                        : QRectF(rect.right() - dx, sideTop, dx, rect.height() - dy);
    painter.fillRect(across, colour);
    painter.fillRect(side, colour);
}

}  // namespace

void Casing::paint(QPainter& painter, const QRectF& face) {
    painter.fillRect(face, drawing::toQColor(Tokens::chassis));
    paintRectangleInnerShadow(painter, face, drawing::toQColor(Tokens::white, 0.14), QPointF(2, 2));
    paintRectangleInnerShadow(painter, face, drawing::toQColor(Tokens::black, 0.5), QPointF(-3, -4));
    Grain{grainOpacity}.paint(painter, face);
}

void Casing::paintBorder(QPainter& painter, const QRectF& face) {
    QPainterPath border;
    border.addRect(drawing::insetForStroke(face, borderWidth));
    drawing::strokePath(painter, border, drawing::toQColor(Tokens::ink), borderWidth);
}

}  // namespace quorvel
