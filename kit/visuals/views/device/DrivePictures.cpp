#include "kit/visuals/views/device/DrivePictures.hpp"

#include <QPainter>

#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/views/device/ObliqueShell.hpp"
#include "kit/visuals/views/kit/KeptPicture.hpp"

namespace quorvel {

DrivePictures::Look DrivePictures::look(const DiskDrive& drive, Instant time) {
    const std::optional<MascotPose> pose = drive.floppyPose(time);
    if (!pose) return {-1, -1, -1, -1};
    const MotionSchedule::PictureNumbers numbers = MotionSchedule::pictureNumbers(*pose, DiskDrive::timelineScale);
    return {1, numbers[6], numbers[7], numbers[8]};
}

void DrivePictures::paint(QPainter& painter, const DiskDrive& drive, QPointF origin, const QRectF& face,
                          const QRect& area, Instant time) {
    const double density = drawing::deviceDensity(painter);
    if (!drawing::keepsPicturesAt(density)) {
        Casing::paint(painter, face);
        drive.paint(painter, origin, time);
        return;
    }
    const QPointF areaOrigin(area.topLeft());
    if (body_.isNull() || body_.devicePixelRatio() != density) {
        body_ = drawing::clearPicture(area.size() * density, density);
        drawing::paintInto(body_, areaOrigin, area, [&](QPainter& body) {
            Casing::paint(body, face);
            drive.paintBody(body, origin);
        });
        fixtures_.reset();
    }
    const DeviceDisplay& display = drive.display;
    if (!fixtures_ || fixtures_->live != display.live || fixtures_->broke != display.broke ||
        !(fixtures_->label == display.floppyLabel)) {
        Fixtures fixtures{display.live, display.broke, display.floppyLabel, body_.copy(), {}, {}};
        const auto paintFixtures = [&](QPainter& picture) { drive.paintFixtures(picture, origin); };
        drawing::paintInto(fixtures.image, areaOrigin, area, paintFixtures);
        QImage alone = drawing::clearPicture(body_.size(), density);
        drawing::paintInto(alone, areaOrigin, area, paintFixtures);
        const QRect ink = drawing::inkBounds(alone);
        fixtures.ink = ink.isEmpty() ? QRect() : ink.adjusted(-2, -2, 2, 2) & body_.rect();
        fixtures_ = std::move(fixtures);
    }
    if (floppyReachesFixtures(drive, origin, area, time)) {
        painter.drawImage(area.topLeft(), body_);
        drive.paintFront(painter, origin, time);
    } else {
        painter.drawImage(area.topLeft(), fixtures_->image);
        drive.paintMoving(painter, origin, time);
    }
}

bool DrivePictures::floppyReachesFixtures(const DiskDrive& drive, QPointF origin, const QRect& area, Instant time) {
    const Look now = look(drive, time);
    for (const auto& [checked, reaches] : fixtures_->looksChecked) {
        if (checked == now) return reaches;
    }
    const QRect ink = fixtures_->ink;
    const double density = body_.devicePixelRatio();
    const bool reaches = drawing::putsInk(ink.size(), density, QPointF(area.topLeft()) + QPointF(ink.topLeft()) / density,
                                          area, [&](QPainter& picture) { drive.paintMoving(picture, origin, time); });
    if (fixtures_->looksChecked.size() < 1024) fixtures_->looksChecked.emplace_back(now, reaches);
    return reaches;
}

}  // namespace quorvel
