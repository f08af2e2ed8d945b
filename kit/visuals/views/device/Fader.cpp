#include "kit/visuals/views/device/Fader.hpp"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Painting.hpp"

namespace quorvel {
namespace {

double clampedUnit(double value) {
    if (!(value >= 0)) return 0;  // negative or not a number
    return std::min(value, 1.0);
}

}  // namespace

QRectF Fader::knobRect(double value) {
    return {3, knobTravel * (1 - clampedUnit(value)), knobWidth, knobHeight};
}

double Fader::valueAt(double y) {
    return clampedUnit(1 - (y - knobHeight / 2) / knobTravel);
}

int Fader::percent(double value) {
    return static_cast<int>(std::lround(clampedUnit(value) * 100));
}

QString Fader::readout(double value) { return QStringLiteral("VOL %1").arg(percent(value)); }

QString Fader::accessibilityLabel() { return QStringLiteral("Volume"); }

QString Fader::accessibilityValue(double value) {
    return QStringLiteral("%1 percent").arg(percent(value));
}

double Fader::incremented(double value) {
    return std::min(clampedUnit(value) + stepSize, 1.0);
}

double Fader::decremented(double value) {
    return std::max(clampedUnit(value) - stepSize, 0.0);
}

bool Fader::contains(QPointF point) { return QRectF(0, 0, width, height).contains(point); }

void Fader::press(QPointF point) const {
    if (actions.onDragBegan) actions.onDragBegan();
    drag(point);
}

void Fader::drag(QPointF point) const {
    if (actions.onDragChanged) actions.onDragChanged(valueAt(point.y()));
}

void Fader::release(QPointF point) const {
    if (actions.onDragEnded) actions.onDragEnded(valueAt(point.y()));
}

void Fader::increment() const {
    if (actions.onStep) actions.onStep(incremented(value));
}

void Fader::decrement() const {
    if (actions.onStep) actions.onStep(decremented(value));
}

void Fader::paint(QPainter& painter, QPointF origin) const {
    const BevelSurface track{Shape::continuousRoundedRectangle(5), Tokens::well, Tokens::keyDepth,
                             Bevel::recessed(), std::nullopt, 2};
    track.paint(painter, trackRect().translated(origin));

    const QColor tickColor = drawing::toQColor(Tokens::dim);
    for (int index = 0; index < tickCount; ++index) {
        painter.fillRect(tickRect(index).translated(origin), tickColor);
    }

    const QRectF knob = knobRect(value).translated(origin);
    const BevelSurface knobSurface{Shape::continuousRoundedRectangle(5), Tokens::acid, Tokens::acidDeep,
                                   Bevel::raised(5), Tokens::ink, 2};
    knobSurface.paint(painter, knob);
    const QRectF grip(knob.center() - QPointF(13, 1), QSizeF(26, 2));
    painter.fillRect(grip, drawing::toQColor(Tokens::ink));
}

}  // namespace quorvel
