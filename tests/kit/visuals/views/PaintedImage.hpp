#pragma once
// A picture to paint a view into and read back: a premultiplied image of a size in points at a
// pixel scale, filled with a background, and its pixels addressed in points.
#include <cmath>
#include <functional>

#include <QColor>
#include <QImage>
#include <QPainter>

namespace quorvel::testing {

class PaintedImage {
public:
    PaintedImage(QSizeF points, double scale, QColor background = Qt::transparent)
        : image_(qRound(points.width() * scale), qRound(points.height() * scale), QImage::Format_ARGB32_Premultiplied),
          scale_(scale) {
        image_.setDevicePixelRatio(scale);
        image_.fill(background);
    }

    PaintedImage& paint(const std::function<void(QPainter&)>& painting) {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painting(painter);
        return *this;
    }

    /// The pixel whose top-left corner lies at (x, y) points.
    QColor at(double x, double y) const {
        return image_.pixelColor(static_cast<int>(std::floor(x * scale_)), static_cast<int>(std::floor(y * scale_)));
    }
    QRgb rgb(double x, double y) const { return at(x, y).rgba(); }

    const QImage& image() const { return image_; }

private:
    QImage image_;
    double scale_;
};

/// The opaque colour of a 24-bit value.
inline QRgb opaque(unsigned hex) { return qRgba((hex >> 16) & 0xFF, (hex >> 8) & 0xFF, hex & 0xFF, 255); }

}  // namespace quorvel::testing
