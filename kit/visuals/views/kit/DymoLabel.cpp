#include "kit/visuals/views/kit/DymoLabel.hpp"

#include <cmath>
#include <cstdint>
#include <optional>

#include <QFontMetricsF>
#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Grain.hpp"
#include "kit/visuals/views/kit/ImageCache.hpp"
#include "kit/visuals/views/kit/Layer.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/Shadow.hpp"
#include "kit/visuals/views/kit/Shape.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

namespace {

using drawing::black;
using drawing::white;

QFont letterFont(double size) {
    const double tracking = std::isfinite(size) ? size * DymoLabel::trackingPerPoint : 0.0;
    return drawing::trackedFont(Fonts::mono(true, size), tracking);
}

QString shownText(const std::string& text) { return drawing::singleLine(QString::fromStdString(text)); }

drawing::ImageCache& pictures() {
    static drawing::ImageCache shared(8u * 1024 * 1024);
    return shared;
}

}  // namespace

double DymoLabel::tilt(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (const char byte : text) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 16777619u;
    }
    const double spread = static_cast<double>(hash % 10000) / 9999.0 * 3.0 - 1.5;
    return std::round(spread * 100.0) / 100.0;
}

double DymoLabel::angle() const {
    if (fixedTilt) return std::isfinite(*fixedTilt) ? *fixedTilt : 0.0;
    return tilt(text);
}

Color DymoLabel::tapeColor(Tape tape) { return tape == Tape::acid ? Tokens::acid : Tokens::inkTape; }
Color DymoLabel::letterColor(Tape tape) { return tape == Tape::acid ? Tokens::acidTapeText : Tokens::inkTapeText; }

QSizeF DymoLabel::layoutSize() const {
    const QFontMetricsF metrics(letterFont(size));
    return {metrics.horizontalAdvance(shownText(text)) + 2 * horizontalPadding,
            metrics.ascent() + metrics.descent() + 2 * verticalPadding};
}

void DymoLabel::paint(QPainter& painter, const QRectF& frame) const {
    const QPointF centre = frame.center();
    const QSizeF box = layoutSize();
    // The tape's shadow reaches 1 point right and 2 down (plus its blur); the tilt turns it all.
    const QRectF unrotated(centre.x() - box.width() / 2 - 2, centre.y() - box.height() / 2 - 2, box.width() + 5, box.height() + 6);
    const QRectF bounds = QTransform().translate(centre.x(), centre.y()).rotate(angle()).translate(-centre.x(), -centre.y())
                              .mapRect(unrotated);
    if (painter.deviceTransform().type() > QTransform::TxScale) {
        paintLabel(painter, centre);
        return;
    }
    // A label is drawn the same every time: keep the picture, lined up with the device pixels.
    drawing::Layer layer = drawing::makeLayer(painter, bounds);
    if (layer.isNull()) return;
    const std::uint64_t key = drawing::CacheKey()
                                  .add(std::string_view(text))
                                  .add(tape == Tape::acid)
                                  .add(size)
                                  .add(angle())
                                  .add(drawing::devicePixelsPerPoint(painter))
                                  .add(centre.x() - layer.rect.left())
                                  .add(centre.y() - layer.rect.top())
                                  .value();
    if (std::optional<QImage> cached = pictures().find(key)) {
        layer.image = *cached;
    } else {
        QPainter layerPainter;
        layer.beginPainting(layerPainter);
        paintLabel(layerPainter, centre);
        layerPainter.end();
        pictures().store(key, layer.image);
    }
    layer.drawInto(painter);
}

void DymoLabel::paintLabel(QPainter& painter, const QPointF& centre) const {
    const QSizeF box = layoutSize();
    const QRectF label(centre.x() - box.width() / 2, centre.y() - box.height() / 2, box.width(), box.height());
    const QFont font = letterFont(size);
    const QFontMetricsF metrics(font);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(centre);
    painter.rotate(angle());
    painter.translate(-centre);

    const QPainterPath tape = Shape::continuousRoundedRectangle(cornerRadius).in(label);
    drawing::drawShadow(painter, tape, {black(0.55), 0.5, {1, 2}});
    painter.fillPath(tape, drawing::toQColor(tapeColor(this->tape)));
    drawing::drawInnerShadow(painter, tape, {white(0.22), 0, {0, 1}});
    painter.save();
    painter.setClipPath(tape, Qt::IntersectClip);
    Grain{0.1}.paint(painter, label);
    painter.restore();

    const QPointF baseline(label.left() + horizontalPadding, label.top() + verticalPadding + metrics.ascent());
    const QPainterPath letters = drawing::textPath(shownText(text), font, baseline);
    painter.fillPath(letters.translated(0, 1), black(0.5));
    painter.fillPath(letters, drawing::toQColor(letterColor(this->tape)));
    drawing::drawInnerShadow(painter, letters, {white(0.45), 0, {0, -1}});
    painter.restore();
}

}  // namespace quorvel
