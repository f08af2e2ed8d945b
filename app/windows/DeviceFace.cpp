#include "app/windows/DeviceFace.hpp"

#include <cmath>

#include "kit/visuals/views/DiskDrive.hpp"
#include "kit/visuals/views/DriveMetrics.hpp"
#include "kit/visuals/views/Fader.hpp"
#include "kit/visuals/views/MascotTimeline.hpp"
#include "kit/visuals/views/ObliqueShell.hpp"
#include "kit/visuals/views/ScreenBezel.hpp"
#include "kit/visuals/views/ScreenMetrics.hpp"
#include "kit/visuals/views/FinishedRowView.hpp"
#include "kit/visuals/views/RunningRowView.hpp"
#include "kit/visuals/views/TabKey.hpp"
#include "kit/visuals/model/MotionSchedule.hpp"
#include "kit/visuals/views/HideKey.hpp"

namespace quorvel {
namespace {

constexpr double mascotScale = 6;

bool everyPixelOpaque(const QImage& image) {
    const QImage alpha = image.convertToFormat(QImage::Format_Alpha8);
    for (int y = 0; y < alpha.height(); ++y) {
        const uchar* line = alpha.constScanLine(y);
        for (int x = 0; x < alpha.width(); ++x) {
            if (line[x] != 255) return false;
        }
    }
    return true;
}

QSize pixelSize(QSizeF size) { return {static_cast<int>(std::ceil(size.width())), static_cast<int>(std::ceil(size.height()))}; }

ScreenBezel screenOf(const DeviceView& view) {
    // As DeviceView::paint builds it.
    return ScreenBezel{view.display, view.clock(), view.moment.reduceMotion, ScreenMetrics::device(), view.moment.time,
                       view.moment.faceFade};
}

DiskDrive driveOf(const DeviceView& view) {
    return DiskDrive{view.display, view.clock(), view.moment.reduceMotion, DriveMetrics::mac()};
}

}  // namespace

// The motion moves only what lies on the screen's glass (up to its edge pixels, which the
// overlay's flash reaches) and the drive's floppy: those two areas are painted again on their
// own. Around the glass the bezel's opaque plate comes first, and under the drive the casing,
// so each such repaint gives the very pixels a whole paint would.
const DeviceFace::Areas& DeviceFace::areas() const {
    // The device's layout is the same for every snapshot: measured once, at the first paint
    // (the fonts are in by then).
    if (!areas_) {
        const DeviceView shown = view();
        const DeviceView::Layout parts = DeviceView::layout();
        areas_ = Areas{parts,
                       screenOf(shown).layout(parts.screen.topLeft(), parts.screen.width()).screen.adjusted(-1, -1, 1, 1).toAlignedRect(),
                       driveOf(shown).paintedBounds(parts.drive.width()).translated(parts.drive.topLeft()).toAlignedRect(),
                       parts.tabBlock.adjusted(-4, -4, 4, 4).toAlignedRect()};
    }
    return *areas_;
}

namespace {

}  // namespace

DeviceFace::DeviceFace(DevicePresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock)
    : presenter_(presenter), clock_(clock), motion_(mascotScale, reduceMotion, clock) {
    motion_.show(presenter_.display());
    QObject::connect(&motion_, &LiveMotionClock::changed, [this] { requestMotionUpdate(); });
    tabFrames_.setInterval(16);
    QObject::connect(&tabFrames_, &QTimer::timeout, [this] {
        requestUpdate(areas().tabBlock);
        if (!DeviceView::animatesTabs(state_, clock_.now())) tabFrames_.stop();
    });
}

DeviceFace::~DeviceFace() = default;

DeviceView DeviceFace::view() const {
    DeviceView::Actions actions;
    actions.onTestAlarm = [this] { presenter_.testAlarm(); };
    actions.onEject = [this] { presenter_.eject(); };
    actions.onHide = [this] { presenter_.hide(); };
    actions.onCompact = [this] { presenter_.compact(); };
    actions.onRowTap = [this](const std::string& id) { presenter_.rowTapped(id); };
    actions.onControlsChange = [this](const DeviceControls& controls) { presenter_.editControls(controls); };
    actions.onControlsSettled = [this](const DeviceControls& controls) { presenter_.settleControls(controls); };
    FaceMoment moment = motion_.moment();
    return DeviceView(presenter_.display(), presenter_.controls(), std::move(actions), std::nullopt, moment, state_);
}

QSize DeviceFace::size() const { return pixelSize(DeviceView::size()); }

std::optional<DeviceFace::GlassLook> DeviceFace::glassLook(const DeviceView& shown) {
    // A cross-fade changes the glass on every frame.
    if (shown.moment.faceFade) return std::nullopt;
    const ScreenBezel screen = screenOf(shown);
    const MascotPose pose = MascotTimeline::pose(shown.display.motion, shown.clock(), shown.moment.reduceMotion,
                                                 ScreenMetrics::device().mascotScale, shown.moment.time);
    const MotionSchedule::PictureNumbers numbers =
        MotionSchedule::pictureNumbers(pose, ScreenMetrics::device().mascotScale);
    // All but the click and the floppy (positions 7 to 9), which only the drive shows.
    return GlassLook{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4],
                     numbers[5], numbers[9], numbers[10], screen.showsOverlay() ? 1.0 : 0.0,
                     screen.led().on ? 1.0 : 0.0};
}

DeviceFace::DriveLook DeviceFace::driveLook(const DeviceView& shown) {
    const std::optional<MascotPose> pose = driveOf(shown).floppyPose(shown.moment.time);
    if (!pose) return {-1, -1, -1, -1};
    const MotionSchedule::PictureNumbers numbers = MotionSchedule::pictureNumbers(*pose, DiskDrive::timelineScale);
    return {1, numbers[6], numbers[7], numbers[8]};
}

void DeviceFace::notePainted(const DeviceView& shown, const std::optional<QRectF>& clip) {
    const auto note = [&](const QRect& area, auto& onScreen, auto look) {
        if (!clip || clip->contains(QRectF(area))) {
            onScreen = look();
        } else if (clip->intersects(QRectF(area))) {
            onScreen.reset();
        }
    };
    note(areas().screenGlass, glassOnScreen_, [&] { return glassLook(shown); });
    note(areas().drive, driveOnScreen_, [&]() -> std::optional<DriveLook> { return driveLook(shown); });
}

void DeviceFace::requestMotionUpdate() {
    const DeviceView shown = view();
    const std::optional<GlassLook> glass = glassLook(shown);
    if (!glass || !glassOnScreen_ || *glass != *glassOnScreen_) requestUpdate(areas().screenGlass);
    if (!driveOnScreen_ || driveLook(shown) != *driveOnScreen_) requestUpdate(areas().drive);
}

void DeviceFace::paint(QPainter& painter) {
    const DeviceView shown = view();
    notePainted(shown, painter.hasClipping() ? std::optional<QRectF>(painter.clipBoundingRect()) : std::nullopt);
    if (painter.hasClipping()) {
        const QRectF clip = painter.clipBoundingRect();
        const DeviceView::Layout& parts = areas().parts;
        if (QRectF(areas().screenGlass).contains(clip)) {
            paintGlass(painter, shown);
            return;
        }
        if (QRectF(areas().tabBlock).contains(clip)) {
            Casing::paint(painter, parts.face);
            shown.tabBlock().paint(painter, parts.tabBlock);
            Casing::paintBorder(painter, parts.face);
            return;
        }
        if (QRectF(areas().drive).contains(clip)) {
            paintDrive(painter, shown);
            return;
        }
    }
    shown.paint(painter);
}

void DeviceFace::paintGlass(QPainter& painter, const DeviceView& shown) {
    const DeviceView::Layout& parts = areas().parts;
    const QRect glass = areas().screenGlass;
    const ScreenBezel screen = screenOf(shown);
    const double density = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    // A cross-fade changes every frame; it is painted as it is.
    if (screen.faceFade || !(density > 0)) {
        screen.paint(painter, parts.screen.topLeft(), parts.screen.width());
        return;
    }
    // The glass reads the snapshot's time only through the event time it shows, so the
    // model's regular ticks (a new time, nothing else new) keep the pictures.
    // (Writing that time out is dear: done once per snapshot, not once per frame.)
    if (!glassSubject_ || glassSubject_->shownFor != shown.display) {
        GlassSubject subject{shown.display, shown.display, {}, screen.layout(parts.screen.topLeft(), parts.screen.width())};
        subject.display.now = Instant();
        subject.eventTime = subject.layout.eventTimeText.toStdString();
        if (!glassSubject_ || !glassSubject_->sameGlass(subject)) glassPictures_.clear();
        glassSubject_ = std::move(subject);
    }
    const MascotPose pose = MascotTimeline::pose(shown.display.motion, shown.clock(), shown.moment.reduceMotion,
                                                 ScreenMetrics::device().mascotScale, shown.moment.time);
    const bool overlay = screen.showsOverlay();
    for (const GlassPicture& picture : glassPictures_) {
        if (picture.pose == pose && picture.overlay == overlay) {
            painter.drawImage(glass.topLeft(), picture.image);
            return;
        }
    }
    // Painted at the same whole-pixel place as on the window, so the picture is the same. The
    // plate's bevels and their edge shadows are the dearest part and never change: painted once,
    // the very pixels a paint of the plate would give each picture.
    const auto paintOn = [&](QImage& image, const auto& paintPart) {
        QPainter picture(&image);
        picture.translate(-glass.topLeft());
        picture.setClipRect(glass);
        paintPart(picture);
    };
    const ScreenBezel::Layout& screenLayout = glassSubject_->layout;
    if (glassPlate_.isNull() || glassPlate_.devicePixelRatio() != density) {
        glassPlate_ = QImage(glass.size() * density, QImage::Format_ARGB32_Premultiplied);
        glassPlate_.setDevicePixelRatio(density);
        glassPlate_.fill(Qt::transparent);
        paintOn(glassPlate_, [&](QPainter& picture) { ScreenBezel::paintPlate(picture, screenLayout); });
        glassPlateOpaque_ = everyPixelOpaque(glassPlate_);
    }
    QImage image = glassPlate_.copy();
    paintOn(image, [&](QPainter& picture) { screen.paintContent(picture, screenLayout); });
    constexpr std::size_t keptPictures = 48;
    if (glassPictures_.size() >= keptPictures) glassPictures_.erase(glassPictures_.begin());
    glassPictures_.push_back({pose, overlay, image});
    painter.drawImage(glass.topLeft(), image);
}

void DeviceFace::paintDrive(QPainter& painter, const DeviceView& shown) {
    const DeviceView::Layout& parts = areas().parts;
    const QRect drive = areas().drive;
    const DiskDrive driveView = driveOf(shown);
    const double density = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    if (!(density > 0)) {
        Casing::paint(painter, parts.face);
        driveView.paint(painter, parts.drive.topLeft(), shown.moment.time);
        Casing::paintBorder(painter, parts.face);
        return;
    }
    // The casing and the drive's plate and mouth under the floppy never change: painted once
    // at the window's whole-pixel place and density, so their picture gives the same pixels.
    if (driveBody_.isNull() || driveBody_.devicePixelRatio() != density) {
        driveBody_ = QImage(drive.size() * density, QImage::Format_ARGB32_Premultiplied);
        driveBody_.setDevicePixelRatio(density);
        driveBody_.fill(Qt::transparent);
        QPainter body(&driveBody_);
        body.translate(-drive.topLeft());
        body.setClipRect(drive);
        Casing::paint(body, parts.face);
        driveView.paintBody(body, parts.drive.topLeft());
    }
    painter.drawImage(drive.topLeft(), driveBody_);
    driveView.paintFront(painter, parts.drive.topLeft(), shown.moment.time);
    Casing::paintBorder(painter, parts.face);
}

bool DeviceFace::coversOpaquely(const QRect& area) const {
    return glassPlateOpaque_ && areas_ && areas_->screenGlass.contains(area);
}

void DeviceFace::afterGesture() {
    if (DeviceView::animatesTabs(state_, clock_.now()) && !tabFrames_.isActive()) tabFrames_.start();
    requestUpdate(QRect(QPoint(), size()));
}

bool DeviceFace::press(QPointF point) {
    const DeviceView shown = view();
    if (!shown.hitTest(point)) return false;
    shown.press(point, state_);
    afterGesture();
    return true;
}

void DeviceFace::drag(QPointF point) {
    view().drag(point, state_);
    afterGesture();
}

void DeviceFace::release(QPointF point) {
    view().release(point, state_);
    afterGesture();
}

void DeviceFace::hover(std::optional<QPointF> point) {
    const auto before = state_.hovered;
    view().hover(point, state_);
    if (!(before == state_.hovered)) requestUpdate(QRect(QPoint(), size()));
}

QString DeviceFace::toolTip(QPointF point) const { return view().toolTip(point); }

namespace {

// True when `after` differs from `before` only in what the screen and the lists show as time
// goes by (the time, the detail line, the running rows and the counts).
bool onlyTimesMoved(const DeviceDisplay& before, const DeviceDisplay& after) {
    DeviceDisplay same = after;
    same.now = before.now;
    same.detailMain = before.detailMain;
    same.detailSuffix = before.detailSuffix;
    same.running = before.running;
    same.runningCount = before.runningCount;
    same.finishedCount = before.finishedCount;
    return same == before;
}

}  // namespace

void DeviceFace::refresh() {
    const DeviceDisplay& display = presenter_.display();
    motion_.show(display);
    // A running session's second ticks change the screen and the rows only.
    if (painted_ && painted_->controls == presenter_.controls() && onlyTimesMoved(painted_->display, display)) {
        requestUpdate(areas().screenGlass);
        requestUpdate(areas().tabBlock);
    } else {
        requestUpdate(QRect(QPoint(), size()));
    }
    painted_ = Painted{display, presenter_.controls()};
}

void DeviceFace::setShown(bool shown) {
    motion_.setHidden(!shown);
    if (!shown) {
        view().cancel(state_);
        tabFrames_.stop();
    }
}

std::vector<std::pair<AccessibleControl, std::function<void()>>> DeviceFace::accessibleControls() const {
    std::vector<std::pair<AccessibleControl, std::function<void()>>> all;
    const DeviceView shown = view();
    const DeviceView::Layout& layout = areas().parts;

    const Header header = shown.header();
    if (header.hasCompactKey && layout.header.compactKey) {
        all.push_back({{HideKey::accessibilityLabel(HideKey::Glyph::strip), QAccessible::Button, {}, *layout.header.compactKey},
                       shown.actions.onCompact});
    }
    all.push_back({{HideKey::accessibilityLabel(HideKey::Glyph::cross), QAccessible::Button, {}, layout.header.hideKey},
                   shown.actions.onHide});

    const TabBlock block = shown.tabBlock();
    const TabBlock::Layout tabs = block.layout(layout.tabBlock.width());
    const QPointF tabOrigin = layout.tabBlock.topLeft();
    for (const ListTab tab : {ListTab::running, ListTab::finished}) {
        const TabKey key{tab, tab == ListTab::running ? shown.display.runningCount : shown.display.finishedCount,
                         block.tab == tab, block.tabHeight, {}};
        AccessibleControl control{key.accessibilityLabel(), QAccessible::PageTab, {},
                                  (tab == ListTab::running ? tabs.runningKey : tabs.finishedKey).translated(tabOrigin)};
        control.checkable = true;
        control.checked = key.selected;
        // Picked by an assistive tool: at once, no slide.
        all.push_back({control, [self = const_cast<DeviceFace*>(this), tab] {
                           if (self->state_.tab == tab) return;
                           self->state_.tab = tab;
                           self->state_.tabSwitch.reset();
                       }});
    }
    for (const TabBlock::ListRow& row : tabs.rows) {
        const QRectF frame = row.frame.translated(tabOrigin);
        if (row.kind == TabBlock::RowKind::running && row.index < shown.display.running.size()) {
            const RunningRow& running = shown.display.running[row.index];
            const RowLines lines = RunningRowView{running, shown.display.now}.lines();
            all.push_back({{lines.title + QStringLiteral(", ") + lines.trailing + QStringLiteral(", ") + lines.detail,
                            QAccessible::Button, {}, frame},
                           [this, id = running.id] { presenter_.rowTapped(id); }});
        } else if (row.kind == TabBlock::RowKind::finished && row.index < shown.display.finished.size()) {
            // Read, not pressed: finished rows take no taps.
            const RowLines lines = FinishedRowView{shown.display.finished[row.index], shown.display.now, block.calendar}.lines();
            all.push_back({{lines.title + QStringLiteral(", ") + lines.trailing + QStringLiteral(", ") + lines.detail,
                            QAccessible::StaticText, {}, frame},
                           {}});
        } else if (row.kind == TabBlock::RowKind::empty) {
            all.push_back({{QString::fromUtf8(block.tab == ListTab::running ? TabBlock::emptyRunningText
                                                                            : TabBlock::emptyFinishedText),
                            QAccessible::StaticText, {}, frame},
                           {}});
        }
    }

    const Controls panel = shown.controlPanel();
    const Controls::Layout controls = panel.layout(layout.controls.width());
    const QPointF panelOrigin = layout.controls.topLeft();
    all.push_back({{Fader::accessibilityLabel(), QAccessible::Slider, Fader::accessibilityValue(shown.controls.volume),
                    controls.fader.translated(panelOrigin)},
                   {}});
    const auto pad = [&](const char* name, bool on, const QRectF& rect, ControlsTarget target) {
        AccessibleControl control{QString::fromUtf8(name), QAccessible::CheckBox,
                                  on ? QStringLiteral("on") : QStringLiteral("off"), rect.translated(panelOrigin)};
        control.checkable = true;
        control.checked = on;
        all.push_back({control, [panel, target] { panel.activate(target); }});
    };
    pad("CLAUDE", shown.controls.claude, controls.claudePad, ControlsTarget::claudePad);
    pad("SHELL", shown.controls.shell, controls.shellPad, ControlsTarget::shellPad);
    pad("FAILS ONLY", shown.controls.failsOnly, controls.failsOnlyPad, ControlsTarget::failsOnlyPad);
    all.push_back({{QStringLiteral("TEST THE ALARM"), QAccessible::Button, {}, controls.testAlarmKey.translated(panelOrigin)},
                   shown.actions.onTestAlarm});
    AccessibleControl seenIt{QStringLiteral("SEEN IT"), QAccessible::Button, {}, controls.seenItKey.translated(panelOrigin)};
    seenIt.enabled = shown.display.acknowledgeable;
    all.push_back({seenIt, shown.display.acknowledgeable ? shown.actions.onEject : std::function<void()>()});
    return all;
}

std::vector<AccessibleControl> DeviceFace::controls() const {
    std::vector<AccessibleControl> controls;
    for (auto& [control, action] : accessibleControls()) controls.push_back(std::move(control));
    return controls;
}

void DeviceFace::activate(std::size_t index) {
    auto all = accessibleControls();
    if (index < all.size() && all[index].second) all[index].second();
    requestUpdate(QRect(QPoint(), size()));
}

}  // namespace quorvel
