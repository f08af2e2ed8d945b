#include "kit/visuals/views/strip/StripScreen.hpp"

#include <algorithm>

#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/DetailLine.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "kit/visuals/views/device/ScreenOverlay.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"

namespace quorvel {
namespace {

drawing::TextStyle headlineStyle(const Color& colour) {
    drawing::TextStyle style;
    style.font = Fonts::pixel(StripScreen::headlineSize);
    style.color = drawing::toQColor(colour);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    style.minimumScale = 0.6;
    return style;
}

}  // namespace

StripScreen::Layout StripScreen::layout(const QRectF& frame) const {
    Layout result;
    result.screen = frame;
    const QRectF content = frame.adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const double side = 16 * mascotScale;
    result.mascot = QRectF(content.left(), content.center().y() - side / 2, side, side);

    const double left = result.mascot.right() + spacing;
    const double width = std::max(0.0, content.right() - left);
    const double detailHeight = DetailLine::height(detailSize);
    const double columnTop = content.center().y() - (line1Height + line2Height + detailHeight) / 2;
    result.line1 = QRectF(left, columnTop, width, line1Height);
    result.line2 = QRectF(left, result.line1.bottom(), width, line2Height);
    result.detail = QRectF(left, result.line2.bottom(), width, detailHeight);
    return result;
}

AnimatedMascot StripScreen::mascot() const {
    const MascotPose pose = MascotTimeline::pose(display.motion, clock, reduceMotion, mascotScale, time);
    return AnimatedMascot{pose, mascotScale, display.broke, reduceMotion, ceiling}.fading(faceFade, time);
}

QString StripScreen::accessibilityLabel() const { return ScreenBezel::rowLabel(mascot(), display); }

bool StripScreen::showsOverlay() const { return MascotTimeline::overlayRuns(display.motion, clock, reduceMotion); }

void StripScreen::paint(QPainter& painter, const Layout& layout) const {
    BevelSurface{Shape::continuousRoundedRectangle(6), Tokens::screen, Tokens::keyDepth, Bevel::recessed(), Tokens::ink, 2}
        .paint(painter, layout.screen);
    mascot().paint(painter, layout.mascot.topLeft());
    drawing::drawTextLine(painter, layout.line1, QString::fromStdString(display.headline.line1),
                          headlineStyle(Tokens::mascotWhite));
    drawing::drawTextLine(painter, layout.line2, QString::fromStdString(display.headline.line2),
                          headlineStyle(display.headlineAlarm ? Tokens::broke : Tokens::acid));
    DetailLine{display.detailMain, display.detailSuffix, detailSize}.paint(painter, layout.detail);
    if (showsOverlay()) {
        const MascotPose pose = MascotTimeline::pose(display.motion, clock, reduceMotion, mascotScale, time);
        ScreenOverlay{pose, display.motion}.paint(painter, layout.screen);
    }
}

}  // namespace quorvel
