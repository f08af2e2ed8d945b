#include "kit/phone/BigTime.hpp"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <limits>

#include "kit/engine/Durations.hpp"
#include "kit/phone/TabularText.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {

double BigTime::elapsedSeconds(double fromUnix, double toUnix) {
    const double difference = toUnix - fromUnix;
    if (std::isnan(difference) || difference <= 0) return 0;
    return std::min(difference, std::numeric_limits<double>::max());
}

QString BigTime::text(Instant now) const {
    if (state.endedAtUnix) {
        return QString::fromStdString(Durations::shortText(elapsedSeconds(state.startedAtUnix, *state.endedAtUnix)));
    }
    if (frozenElapsed) return QString::fromStdString(Durations::shortText(*frozenElapsed));
    return QString::fromStdString(Durations::clock(elapsedSeconds(state.startedAtUnix, now.unixSeconds())));
}

Color BigTime::color() const { return state.endedAtUnix ? Tokens::mascotWhite : Tokens::acid; }

QFont BigTime::font() const { return Fonts::pixel(size); }

QSizeF BigTime::naturalSize(Instant now) const {
    const QFont face = font();
    const double height = drawing::lineHeight(face);
    if (isLive()) return {TabularText{text(now), face, {}}.width(), height};
    return {QFontMetricsF(face).horizontalAdvance(drawing::singleLine(text(now))), height};
}

double BigTime::scaleFor(double width, Instant now) const {
    const double natural = naturalSize(now).width();
    if (!(natural > width) || natural <= 0) return 1;
    return std::max(minimumScale, std::max(0.0, width) / natural);
}

void BigTime::paint(QPainter& painter, const QRectF& frame, Instant now) const {
    const QColor ink = drawing::toQColor(color());
    if (!isLive()) {
        drawing::TextStyle style;
        style.font = font();
        style.color = ink;
        style.alignment = Qt::AlignRight | Qt::AlignTop;
        style.minimumScale = minimumScale;
        drawing::drawTextLine(painter, frame, text(now), style);
        return;
    }
    // The counting clock keeps its digit cells: it shrinks as a whole, never cut.
    const QSizeF natural = naturalSize(now);
    const double scale = scaleFor(frame.width(), now);
    painter.save();
    painter.translate(frame.right() - natural.width() * scale, frame.top());
    painter.scale(scale, scale);
    TabularText{text(now), font(), ink}.paint(painter, QRectF(QPointF(0, 0), natural));
    painter.restore();
}

}  // namespace quorvel
