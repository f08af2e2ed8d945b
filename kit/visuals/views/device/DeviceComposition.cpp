#include "kit/visuals/views/device/DeviceComposition.hpp"

#include <QPainter>

#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/views/device/DiskDrive.hpp"
#include "kit/visuals/views/device/DriveMetrics.hpp"
#include "kit/visuals/views/device/ObliqueShell.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "kit/visuals/views/device/ScreenMetrics.hpp"
#include "kit/visuals/views/mascot/MascotTimeline.hpp"

namespace quorvel {
namespace {

enum class Layer { shell, casing, header, screen, tabBlock, controls, drive, border };
constexpr Layer everyLayer[] = {Layer::shell,    Layer::casing,   Layer::header, Layer::screen,
                                Layer::tabBlock, Layer::controls, Layer::drive,  Layer::border};

ScreenBezel screenOf(const DeviceView& view) {
    return ScreenBezel{view.display, view.clock(), view.moment.reduceMotion, ScreenMetrics::device(), view.moment.time,
                       view.moment.faceFade};
}

DiskDrive driveOf(const DeviceView& view) {
    return DiskDrive{view.display, view.clock(), view.moment.reduceMotion, DriveMetrics::mac()};
}

void paintLayer(QPainter& painter, const DeviceView& view, const DeviceView::Layout& parts, Layer layer) {
    switch (layer) {
        case Layer::shell:
            ObliqueShell::paintFloorShadow(painter, parts.shell);
            DeviceView::shell.paint(painter, parts.shell);
            return;
        case Layer::casing: return Casing::paint(painter, parts.face);
        case Layer::header: return view.header().paint(painter, view.headerLayout());
        case Layer::screen: return screenOf(view).paint(painter, parts.screen.topLeft(), parts.screen.width());
        case Layer::tabBlock: return view.tabBlock().paint(painter, parts.tabBlock);
        case Layer::controls: return view.controlPanel().paint(painter, parts.controls);
        case Layer::drive: return driveOf(view).paint(painter, parts.drive.topLeft(), view.moment.time);
        case Layer::border: return Casing::paintBorder(painter, parts.face);
    }
}

// True when `after` differs from `before` only in what the screen and the lists show as time
// goes by and as a busy session's events come in (the time, the last event's time, the detail
// line, the running rows and the counts).
bool onlyTimesMoved(const DeviceDisplay& before, const DeviceDisplay& after) {
    DeviceDisplay same = after;
    same.now = before.now;
    same.eventTime = before.eventTime;
    same.detailMain = before.detailMain;
    same.detailSuffix = before.detailSuffix;
    same.running = before.running;
    same.runningCount = before.runningCount;
    same.finishedCount = before.finishedCount;
    return same == before;
}

}  // namespace

// The motion moves only what lies on the screen's glass (up to its edge pixels, which the
// overlay's flash reaches) and the drive's floppy, and the tab slide only the tab block: each
// is painted on its own. The glass lies on the bezel's opaque plate, and the drive and the
// tab block straight on the casing, so each such repaint gives the very pixels a whole paint
// would.
const DeviceComposition::Areas& DeviceComposition::areas() {
    static const Areas measured = [] {
        const DeviceView::Layout& parts = DeviceView::layout();
        const DeviceView empty(DeviceDisplay(DeviceDisplay::Fields{}), {}, {});
        const QRectF glass = screenOf(empty).layout(parts.screen.topLeft(), parts.screen.width()).screen;
        return Areas{glass.adjusted(-1, -1, 1, 1).toAlignedRect(),
                     driveOf(empty).paintedBounds(parts.drive.width()).translated(parts.drive.topLeft()).toAlignedRect(),
                     parts.tabBlock.adjusted(-4, -4, 4, 4).toAlignedRect()};
    }();
    return measured;
}

QRect DeviceComposition::whole() { return QRectF(QPointF(), DeviceView::size()).toAlignedRect(); }

void DeviceComposition::paintWhole(QPainter& painter, const DeviceView& view) {
    const DeviceView::Layout& parts = DeviceView::layout();
    for (const Layer layer : everyLayer) paintLayer(painter, view, parts, layer);
}

void DeviceComposition::paint(QPainter& painter, const DeviceView& view) {
    const std::optional<QRectF> clip =
        painter.hasClipping() ? std::optional<QRectF>(painter.clipBoundingRect()) : std::nullopt;
    notePainted(view, clip);
    const auto within = [&](const QRect& area) { return clip && QRectF(area).contains(*clip); };
    const DeviceView::Layout& parts = DeviceView::layout();
    if (within(areas().glass)) {
        glass_.paint(painter, screenOf(view), parts.screen, areas().glass);
    } else if (within(areas().tabBlock)) {
        for (const Layer layer : {Layer::casing, Layer::tabBlock, Layer::border}) paintLayer(painter, view, parts, layer);
    } else if (within(areas().drive)) {
        drive_.paint(painter, driveOf(view), parts.drive.topLeft(), parts.face, areas().drive, view.moment.time);
        paintLayer(painter, view, parts, Layer::border);
    } else {
        paintWhole(painter, view);
    }
}

bool DeviceComposition::coversOpaquely(const QRect& area) const {
    return glass_.opaque() && areas().glass.contains(area);
}

std::vector<QRect> DeviceComposition::show(const DeviceDisplay& display, const DeviceControls& controls) {
    const bool ticked = shown_ && shown_->controls == controls && onlyTimesMoved(shown_->display, display);
    shown_ = Shown{display, controls};
    // A running session's second ticks change the screen and the rows only.
    if (ticked) return {areas().glass, areas().tabBlock};
    return {whole()};
}

std::vector<QRect> DeviceComposition::motionChanges(const DeviceView& view) const {
    std::vector<QRect> changed;
    const std::optional<GlassLook> glass = glassLook(view);
    if (!glass || !glassOnScreen_ || *glass != *glassOnScreen_) changed.push_back(areas().glass);
    if (!driveOnScreen_ || DrivePictures::look(driveOf(view), view.moment.time) != *driveOnScreen_) {
        changed.push_back(areas().drive);
    }
    return changed;
}

std::optional<DeviceComposition::GlassLook> DeviceComposition::glassLook(const DeviceView& view) {
    if (view.moment.faceFade) return std::nullopt;
    const ScreenBezel screen = screenOf(view);
    const double scale = ScreenMetrics::device().mascotScale;
    const MascotPose pose =
        MascotTimeline::pose(view.display.motion, view.clock(), view.moment.reduceMotion, scale, view.moment.time);
    const MotionSchedule::PictureNumbers numbers = MotionSchedule::pictureNumbers(pose, scale);
    // All but the click and the floppy (numbers 6 to 8), which only the drive shows.
    return GlassLook{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4],
                     numbers[5], numbers[9], numbers[10], screen.showsOverlay() ? 1.0 : 0.0,
                     screen.led().on ? 1.0 : 0.0};
}

void DeviceComposition::notePainted(const DeviceView& view, const std::optional<QRectF>& clip) {
    const auto note = [&](const QRect& area, auto& onScreen, auto look) {
        if (!clip || clip->contains(QRectF(area))) {
            onScreen = look();
        } else if (clip->intersects(QRectF(area))) {
            onScreen.reset();
        }
    };
    note(areas().glass, glassOnScreen_, [&] { return glassLook(view); });
    note(areas().drive, driveOnScreen_,
         [&]() -> std::optional<DrivePictures::Look> { return DrivePictures::look(driveOf(view), view.moment.time); });
}

}  // namespace quorvel
