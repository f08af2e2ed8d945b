#include "kit/phone/StatusWell.hpp"

#include <algorithm>

#include "kit/phone/PulsingLED.hpp"
#include "kit/phone/RecessedField.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

drawing::TextStyle textStyle(bool on) {
    drawing::TextStyle style;
    style.font = Fonts::mono(false, StatusWell::textSize);
    style.color = drawing::toQColor(on ? Tokens::mascotWhite : Tokens::dim);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

drawing::TextStyle rightStyle() {
    drawing::TextStyle style;
    style.font = Fonts::mono(true, StatusWell::rightSize);
    style.tracking = StatusWell::rightTracking;
    style.color = drawing::toQColor(Tokens::dim);
    style.alignment = Qt::AlignRight | Qt::AlignVCenter;
    return style;
}

}  // namespace

StatusWell::Layout StatusWell::layout(double width) const {
    Layout layout;
    layout.lamp = {horizontalPadding, (height - lampSize) / 2, lampSize, lampSize};
    double textRight = width - horizontalPadding;
    if (right) {
        const double rightWidth = drawing::naturalWidth(drawing::singleLine(QString::fromStdString(*right)), rightStyle());
        layout.right = {width - horizontalPadding - rightWidth, 0, rightWidth, height};
        textRight = layout.right.left() - 2 * spacing - minimumGap;
    }
    const double textLeft = layout.lamp.right() + spacing;
    layout.text = {textLeft, 0, std::max(0.0, textRight - textLeft), height};
    return layout;
}

bool StatusWell::lampLit(double secondsShown) const { return pulsing ? PulsingLED::litAfter(secondsShown) : on; }

void StatusWell::paint(QPainter& painter, const QRectF& frame, double secondsShown) const {
    RecessedField::paint(painter, frame);
    const Layout parts = layout(frame.width());
    LED{lampLit(secondsShown), color, lampSize}.paint(painter, parts.lamp.translated(frame.topLeft()));
    drawing::drawTextLine(painter, parts.text.translated(frame.topLeft()), QString::fromStdString(text), textStyle(on));
    if (right) {
        drawing::drawTextLine(painter, parts.right.translated(frame.topLeft()), QString::fromStdString(*right),
                              rightStyle());
    }
}

std::string StatusWell::accessibilityLabel() const { return right ? text + ", " + *right : text; }

}  // namespace quorvel
