#include "kit/visuals/views/kit/KeptPicture.hpp"

#include <QPaintDevice>
#include <QPainter>

namespace quorvel::drawing {

double deviceDensity(const QPainter& painter) {
    return painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
}

bool keepsPicturesAt(double density) { return density > 0 && density <= 8; }

QImage clearPicture(QSize pixels, double density) {
    QImage picture(pixels, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(density);
    picture.fill(Qt::transparent);
    return picture;
}

void paintInto(QImage& picture, QPointF origin, const QRectF& clip, const std::function<void(QPainter&)>& content) {
    QPainter painter(&picture);
    painter.translate(-origin);
    painter.setClipRect(clip);
    content(painter);
}

QRect inkBounds(const QImage& picture) {
    const QImage argb = picture.format() == QImage::Format_ARGB32_Premultiplied
                            ? picture
                            : picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QRect bounds;
    for (int y = 0; y < argb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        int first = -1, last = -1;
        for (int x = 0; x < argb.width(); ++x) {
            if (line[x] != 0) {
                if (first < 0) first = x;
                last = x;
            }
        }
        if (first >= 0) bounds |= QRect(first, y, last - first + 1, 1);
    }
    return bounds;
}

bool everyPixelOpaque(const QImage& picture) {
    const QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* line = alpha.constScanLine(y);
        for (int x = 0; x < alpha.width(); ++x) {
            if (line[x] != 255) return false;
        }
    }
    return true;
}

bool putsInk(QSize pixels, double density, QPointF origin, const QRectF& clip,
             const std::function<void(QPainter&)>& content) {
    if (pixels.isEmpty()) return false;
    QImage probe = clearPicture(pixels, density);
    paintInto(probe, origin, clip, content);
    return !inkBounds(probe).isEmpty();
}

}  // namespace quorvel::drawing
