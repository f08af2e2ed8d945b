#include "kit/visuals/views/device/GlassPictures.hpp"

#include <algorithm>

#include <QPainter>

#include "kit/visuals/views/kit/KeptPicture.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"

namespace quorvel {

void GlassPictures::paint(QPainter& painter, const ScreenBezel& screen, const QRectF& frame, const QRect& glass) {
    const double density = drawing::deviceDensity(painter);
    // A cross-fade changes every frame; it is painted as it is.
    if (screen.faceFade || !drawing::keepsPicturesAt(density)) {
        screen.paint(painter, frame.topLeft(), frame.width());
        return;
    }
    follow(screen, frame);
    const ScreenBezel::Layout& layout = subject_->layout;
    // The plate's bevels and their edge shadows are the dearest part and never change: painted
    // once. Pictures made at another density (the window moved to another screen) would be
    // drawn scaled.
    if (plate_.isNull() || plate_.devicePixelRatio() != density) makePlate(glass, density);
    const MascotPose pose = MascotTimeline::pose(screen.display.motion, screen.clock, screen.reduceMotion,
                                                 screen.metrics.mascotScale, screen.time);
    if (mascotReachesHeadline(screen, pose, glass, density)) {
        screen.paint(painter, layout);
        return;
    }
    const bool ledOn = screen.led().on;
    auto base = std::find_if(bases_.begin(), bases_.end(), [&](const Base& kept) { return kept.ledOn == ledOn; });
    if (base == bases_.end()) {
        QImage made = plate_.copy();
        drawing::paintInto(made, QPointF(), glass, [&](QPainter& picture) {
            screen.paintStatusRow(picture, layout);
            screen.paintHeadline(picture, layout);
        });
        base = bases_.insert(bases_.end(), Base{ledOn, std::move(made)});
    }
    painter.drawImage(QRectF(glass), base->image, QRectF(QPointF(glass.topLeft()) * density, QSizeF(glass.size()) * density));
    screen.paintMascot(painter, layout);
    screen.paintOverlay(painter, layout);
}

void GlassPictures::follow(const ScreenBezel& screen, const QRectF& frame) {
    // The glass reads the snapshot's time only through the event time it shows, so the
    // model's regular ticks (a new time, nothing else new) keep the pictures.
    // (Writing that time out is dear: done once per snapshot, not once per frame.)
    if (subject_ && subject_->shownFor == screen.display) return;
    Subject subject{screen.display, screen.display, {}, screen.layout(frame.topLeft(), frame.width())};
    subject.display.now = Instant();
    subject.eventTime = subject.layout.eventTimeText.toStdString();
    if (!subject_ || !subject_->sameGlass(subject)) forgetBases();
    subject_ = std::move(subject);
}

void GlassPictures::makePlate(const QRect& glass, double density) {
    forgetBases();
    posesChecked_ = {};
    const QRect extent(QPoint(), glass.bottomRight() + QPoint(1, 1));
    plate_ = drawing::clearPicture(extent.size() * density, density);
    drawing::paintInto(plate_, QPointF(), glass,
                       [&](QPainter& plate) { ScreenBezel::paintPlate(plate, subject_->layout); });
    const QRect pixels(glass.topLeft() * density, glass.size() * density);
    plateOpaque_ = drawing::everyPixelOpaque(plate_.copy(pixels));
}

void GlassPictures::forgetBases() {
    bases_.clear();
    headlineInk_.reset();
}

bool GlassPictures::mascotReachesHeadline(const ScreenBezel& screen, const MascotPose& pose, const QRect& glass,
                                          double density) {
    const QRect glassPixels(glass.topLeft() * density, glass.size() * density);
    const ScreenBezel::Layout& layout = subject_->layout;
    const auto originOf = [density](const QRect& pixels) { return QPointF(pixels.topLeft()) / density; };
    if (!headlineInk_) {
        // Painted where the glass is alone, whose place in the picture may round the glyphs'
        // edges a pixel the other way: the margins below take that.
        QImage headline = drawing::clearPicture(glassPixels.size(), density);
        drawing::paintInto(headline, originOf(glassPixels), glass,
                           [&](QPainter& picture) { screen.paintHeadline(picture, layout); });
        const QRect ink = drawing::inkBounds(headline);
        headlineInk_ = ink.isEmpty() ? QRect() : ink.translated(glassPixels.topLeft()).adjusted(-2, -2, 2, 2) & glassPixels;
        // What was found for each pose holds for any headline within the area it was checked
        // against, and the mascot's look takes only its pose and whether the display is broke.
        if (!posesChecked_.against.contains(*headlineInk_) || posesChecked_.broke != screen.display.broke) {
            posesChecked_ = {*headlineInk_, screen.display.broke, {}};
        }
    }
    for (const auto& [checked, reaches] : posesChecked_.poses) {
        if (checked == pose) return reaches;
    }
    const QRect area = posesChecked_.against;
    const bool reaches = drawing::putsInk(area.size(), density, originOf(area), glass,
                                          [&](QPainter& picture) { screen.paintMascot(picture, layout); });
    // A looping motion has a few dozen poses; the bound only guards against an endless run.
    if (posesChecked_.poses.size() < 1024) posesChecked_.poses.emplace_back(pose, reaches);
    return reaches;
}

}  // namespace quorvel
