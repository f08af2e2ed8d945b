#include "kit/visuals/views/device/DiskDrive.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/model/PixelArt.hpp"
#include "kit/visuals/model/Tokens.hpp"
#include "kit/visuals/views/device/FloppyLabelView.hpp"
#include "kit/visuals/views/kit/BevelSurface.hpp"
#include "kit/visuals/views/kit/DymoLabel.hpp"
#include "kit/visuals/views/kit/Fonts.hpp"
#include "kit/visuals/views/kit/LED.hpp"
#include "kit/visuals/views/kit/Painting.hpp"
#include "kit/visuals/views/kit/PixelMapView.hpp"
#include "kit/visuals/views/kit/TextLine.hpp"

namespace quorvel {
namespace {

constexpr double doneSpan = 3.2;

}  // namespace

double DiskDrive::floppyWidth() {
    static const double width = [] {
        const auto& map = PixelArt::bigFloppy();
        return map.empty() ? 0.0 : static_cast<double>(map.front().size()) * floppyCell;
    }();
    return width;
}

double DiskDrive::floppyHeight() {
    static const double height = static_cast<double>(PixelArt::bigFloppy().size()) * floppyCell;
    return height;
}

DiskDrive::Layout DiskDrive::layout() const {
    const double mouthX = metrics.mouthX();
    // The phone's drive sets its LED inside the plate and draws it a size larger.
    const double ledSize = metrics.ledX > 260 ? 9 : 10;
    return Layout{
        .plate = {0, metrics.plateY, metrics.plate.width(), metrics.plate.height()},
        .mouth = {mouthX, metrics.mouthY, metrics.mouth.width(), metrics.mouth.height()},
        .lip = {mouthX, metrics.inY, metrics.mouth.width(), metrics.lipHeight},
        .led = {metrics.ledX, metrics.ledY, ledSize, ledSize},
        .dymo = {metrics.dymoX, metrics.dymoY},
        .floppyWindow = {0, metrics.inY - metrics.rise, metrics.plate.width(), metrics.rise},
    };
}

QString DiskDrive::dymoText(bool broke) {
    return broke ? QStringLiteral("NOT TODAY") : QStringLiteral("NO BABYSITTING");
}

bool DiskDrive::animates() const {
    return display.floppyOut && !clock.finished && !reduceMotion &&
           clock.motion == MascotMotion::done;
}

std::optional<MascotPose> DiskDrive::floppyPose(Instant date) const {
    if (!display.floppyOut) return std::nullopt;
    if (clock.finished || reduceMotion) return MascotPose::still(MascotMotion::done);
    if (clock.motion != MascotMotion::done) return MascotPose::compute(false, MascotMotion::done, 0);
    double elapsed = date.secondsSince(clock.start);
    if (!(elapsed >= 0)) elapsed = 0;  // before the start, or a clock that is not a number
    return MascotPose::compute(false, MascotMotion::done, std::min(elapsed, doneSpan));
}

QRectF DiskDrive::floppyRect(const MascotPose& pose) const {
    const double floppyX = (metrics.plate.width() - floppyWidth()) / 2;
    const double floppyY = metrics.inY - pose.floppyOut * metrics.rise;
    return {floppyX, floppyY, floppyWidth(), floppyHeight()};
}

QPointF DiskDrive::clickOrigin(const MascotPose& pose) const {
    const double floppyX = (metrics.plate.width() - floppyWidth()) / 2;
    return {floppyX + floppyWidth() + 8, metrics.inY - metrics.rise + 8 + 0.6 * pose.clickOffsetY};
}

std::optional<Instant> DiskDrive::nextRedraw(Instant after) const {
    if (!animates()) return std::nullopt;
    const MotionSchedule schedule(MascotMotion::done, clock.start, timelineScale);
    auto entries = schedule.entries(after);
    while (auto date = entries.next()) {
        if (*date > after) return date;
    }
    return std::nullopt;
}

QRectF DiskDrive::paintedBounds(double width) const {
    const double top = std::min(0.0, metrics.inY - metrics.rise);
    return {0, top, width, metrics.height - top};
}

void DiskDrive::paint(QPainter& painter, QPointF origin, Instant date) const {
    paintBody(painter, origin);
    paintFront(painter, origin, date);
}

void DiskDrive::paintBody(QPainter& painter, QPointF origin) const {
    const Layout parts = layout();
    painter.save();
    painter.translate(origin);
    BevelSurface{Shape::continuousRoundedRectangle(6), Tokens::panel, Tokens::keyDepth, Bevel::raised(3),
                 Tokens::ink, 2}
        .paint(painter, parts.plate);
    BevelSurface{Shape::continuousRoundedRectangle(5), Tokens::mouth, Tokens::keyDepth, Bevel::recessed(),
                 std::nullopt, 2}
        .paint(painter, parts.mouth);
    painter.restore();
}

void DiskDrive::paintFront(QPainter& painter, QPointF origin, Instant date) const {
    paintMoving(painter, origin, date);
    paintFixtures(painter, origin);
}

void DiskDrive::paintMoving(QPainter& painter, QPointF origin, Instant date) const {
    const Layout parts = layout();
    painter.save();
    painter.translate(origin);
    if (const auto pose = floppyPose(date)) paintFloppy(painter, parts, *pose);
    painter.fillRect(parts.lip, drawing::toQColor(Tokens::mouth));
    painter.restore();
}

void DiskDrive::paintFixtures(QPainter& painter, QPointF origin) const {
    const Layout parts = layout();
    painter.save();
    painter.translate(origin);
    LED{display.live, display.broke ? Tokens::broke : Tokens::acid, parts.led.width()}.paint(painter, parts.led);
    const DymoLabel dymo{dymoText(display.broke).toStdString(), DymoLabel::Tape::ink, 9, 1.5};
    dymo.paint(painter, QRectF(parts.dymo, dymo.layoutSize()));
    painter.restore();
}

void DiskDrive::paintFloppy(QPainter& painter, const Layout& parts, const MascotPose& pose) const {
    // Drawn upside down, so the label end of the disk is the one that leads out of the slot.
    static const PixelMapView picture = [] {
        PixelArt::PixelMap rows = PixelArt::bigFloppy();
        std::reverse(rows.begin(), rows.end());
        return PixelMapView(std::move(rows), PixelArt::floppyPalette(), floppyCell);
    }();
    const QRectF floppy = floppyRect(pose);
    painter.save();
    painter.setClipRect(parts.floppyWindow, Qt::IntersectClip);
    picture.paint(painter, floppy.topLeft());
    FloppyLabelView{display.floppyLabel}.paint(painter, FloppyLabelView::frame(floppy.topLeft()));
    painter.restore();

    if (pose.clickOpacity > 0) {
        const drawing::TextStyle click{Fonts::pixel(20), 1.2, drawing::toQColor(Tokens::acid),
                                       Qt::AlignLeft | Qt::AlignTop, 1};
        const QString text = QStringLiteral("CLICK");
        painter.save();
        painter.setOpacity(painter.opacity() * std::min(pose.clickOpacity, 1.0));
        drawing::drawTextLine(painter, QRectF(clickOrigin(pose), drawing::naturalSize(text, click)), text, click);
        painter.restore();
    }
}

}  // namespace quorvel
