#include "kit/visuals/views/device/ScreenBezel.hpp"

#include <QPainter>
#include <QStringList>
#include <algorithm>

#include "kit/engine/CopyBook.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/ScreenOverlay.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"

namespace quorvel {
namespace {

drawing::TextStyle statusStyle(const Color& colour) {
    drawing::TextStyle style;
    style.font = Fonts::mono(true, ScreenBezel::statusSize);
    style.tracking = ScreenBezel::statusTracking;
    style.color = drawing::toQColor(colour);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    return style;
}

drawing::TextStyle headlineStyle(const ScreenMetrics& metrics, const Color& colour) {
    drawing::TextStyle style;
    style.font = Fonts::pixel(metrics.headlineSize);
    style.color = drawing::toQColor(colour);
    style.alignment = Qt::AlignLeft | Qt::AlignVCenter;
    style.minimumScale = ScreenBezel::minimumHeadlineScale;
    return style;
}

double statusRowHeight() {
    return std::max(ScreenBezel::ledSize, drawing::lineHeight(Fonts::mono(true, ScreenBezel::statusSize)));
}

double mascotRowHeight(const ScreenMetrics& metrics) {
    const double column = metrics.line1Height + metrics.line2Height + DetailLine::height(ScreenBezel::detailSize);
    return std::max(16 * metrics.mascotScale, column);
}

DetailLine detailLine(const DeviceDisplay& display) {
    return DetailLine{display.detailMain, display.detailSuffix, ScreenBezel::detailSize};
}

}  // namespace

double ScreenBezel::height(const ScreenMetrics& metrics) {
    const double content = statusRowHeight() + metrics.rowSpacing + mascotRowHeight(metrics);
    return content + 2 * metrics.screenPadding.vertical + 2 * metrics.bezelPadding + bottomPadding;
}

ScreenBezel::Layout ScreenBezel::layout(QPointF topLeft, double width) const {
    Layout result;
    result.bezel = QRectF(topLeft, QSizeF(width, height(metrics) - bottomPadding));
    result.screen = result.bezel.adjusted(metrics.bezelPadding, metrics.bezelPadding, -metrics.bezelPadding,
                                          -metrics.bezelPadding);
    result.content = result.screen.adjusted(metrics.screenPadding.horizontal, metrics.screenPadding.vertical,
                                            -metrics.screenPadding.horizontal, -metrics.screenPadding.vertical);
    const QRectF& content = result.content;

    // Status row: LED, project (cut first), a gap of at least 8, the time at its natural width.
    const double rowHeight = statusRowHeight();
    const double rowCentre = content.top() + rowHeight / 2;
    result.led = QRectF(content.left(), rowCentre - ledSize / 2, ledSize, ledSize);
    result.eventTimeText = eventTimeText();
    const QString& time = result.eventTimeText;
    const double timeWidth = time.isEmpty() ? 0 : drawing::naturalWidth(time, statusStyle(Tokens::dim));
    result.eventTime = QRectF(content.right() - timeWidth, content.top(), timeWidth, rowHeight);
    const double projectLeft = result.led.right() + statusSpacing;
    // The spacer between them (at least 8) has the row's spacing on both sides.
    const double projectRight = result.eventTime.left() - 3 * statusSpacing;
    result.project = QRectF(projectLeft, content.top(), std::max(0.0, projectRight - projectLeft), rowHeight);

    // Mascot row, centred vertically: mascot, then the text column.
    const double heroTop = content.top() + rowHeight + metrics.rowSpacing;
    const double heroHeight = mascotRowHeight(metrics);
    const double side = 16 * metrics.mascotScale;
    result.mascot = QRectF(content.left(), heroTop + (heroHeight - side) / 2, side, side);
    const double columnLeft = result.mascot.right() + metrics.heroSpacing;
    const double columnWidth = std::max(0.0, content.right() - columnLeft);
    const double detailHeight = DetailLine::height(detailSize);
    const double columnHeight = metrics.line1Height + metrics.line2Height + detailHeight;
    const double columnTop = heroTop + (heroHeight - columnHeight) / 2;
    result.line1 = QRectF(columnLeft, columnTop, columnWidth, metrics.line1Height);
    result.line2 = QRectF(columnLeft, result.line1.bottom(), columnWidth, metrics.line2Height);
    result.detail = QRectF(columnLeft, result.line2.bottom(), columnWidth, detailHeight);
    return result;
}

AnimatedMascot ScreenBezel::mascot() const {
    const MascotPose pose =
        MascotTimeline::pose(display.motion, clock, reduceMotion, metrics.mascotScale, time);
    return AnimatedMascot{pose, metrics.mascotScale, display.broke, reduceMotion, metrics.headroom}.fading(faceFade,
                                                                                                       time);
}

LED ScreenBezel::led() const {
    bool on = display.live;
    if (on && display.motion == MascotMotion::needsYou && MascotTimeline::runs(display.motion, clock, reduceMotion)) {
        on = MascotTimeline::pose(display.motion, clock, reduceMotion, metrics.mascotScale, time).ledOn;
    }
    return LED{on, display.broke ? Tokens::broke : Tokens::acid, ledSize};
}

QString ScreenBezel::eventTimeText() const {
    if (!display.eventTime) return {};
    return QString::fromStdString(CopyBook::finishedTime(*display.eventTime, display.now));
}

QString ScreenBezel::rowLabel(const AnimatedMascot& mascot, const DeviceDisplay& display) {
    QStringList parts{mascot.accessibilityLabel()};
    for (const std::string& text : {display.headline.line1, display.headline.line2, display.detail()}) {
        if (!text.empty()) parts.push_back(drawing::singleLine(QString::fromStdString(text)));
    }
    return parts.join(QStringLiteral(", "));
}

QString ScreenBezel::accessibilityLabel() const { return rowLabel(mascot(), display); }

bool ScreenBezel::showsOverlay() const { return MascotTimeline::overlayRuns(display.motion, clock, reduceMotion); }

void ScreenBezel::paint(QPainter& painter, const Layout& layout) const {
    paintPlate(painter, layout);
    paintStatusRow(painter, layout);
    paintMascot(painter, layout);
    paintHeadline(painter, layout);
    paintOverlay(painter, layout);
}

void ScreenBezel::paintPlate(QPainter& painter, const Layout& layout) {
    BevelSurface{Shape::roundedRectangle(10), Tokens::panel, Tokens::keyDepth, Bevel::raised(bezelDepth), Tokens::ink, 2}
        .paint(painter, layout.bezel);
    BevelSurface{Shape::continuousRoundedRectangle(6), Tokens::screen, Tokens::keyDepth, Bevel::recessed(), Tokens::ink, 2}
        .paint(painter, layout.screen);
}

void ScreenBezel::paintStatusRow(QPainter& painter, const Layout& layout) const {
    led().paint(painter, layout.led);
    drawing::drawTextLine(painter, layout.project, drawing::singleLine(QString::fromStdString(display.project)),
                          statusStyle(Tokens::mascotWhite));
    if (layout.eventTime.width() > 0) {
        drawing::drawTextLine(painter, layout.eventTime.adjusted(0, 0, 0.5, 0), layout.eventTimeText,
                              statusStyle(Tokens::dim));
    }
}

void ScreenBezel::paintMascot(QPainter& painter, const Layout& layout) const {
    mascot().paint(painter, layout.mascot.topLeft());
}

void ScreenBezel::paintHeadline(QPainter& painter, const Layout& layout) const {
    drawing::drawTextLine(painter, layout.line1, QString::fromStdString(display.headline.line1),
                          headlineStyle(metrics, Tokens::mascotWhite));
    drawing::drawTextLine(painter, layout.line2, QString::fromStdString(display.headline.line2),
                          headlineStyle(metrics, display.headlineAlarm ? Tokens::broke : Tokens::acid));
    detailLine(display).paint(painter, layout.detail);
}

void ScreenBezel::paintOverlay(QPainter& painter, const Layout& layout) const {
    if (!showsOverlay()) return;
    const MascotPose pose = MascotTimeline::pose(display.motion, clock, reduceMotion, metrics.mascotScale, time);
    ScreenOverlay{pose, display.motion}.paint(painter, layout.screen);
}

}  // namespace quorvel
