#include "app/windows/DeviceFace.hpp"

#include <algorithm>
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

// The smallest rectangle holding every pixel of `image` that is not fully transparent.
QRect inkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        const int width = image.width();
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x) {
            if (line[x] != 0) {
                if (first < 0) first = x;
                last = x;
            }
        }
        if (first >= 0) bounds |= QRect(first, y, last - first + 1, 1);
    }
    return bounds;
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

void DeviceFace::forgetGlassPictures() {
    glassBases_.clear();
    headlineInk_.reset();
}

namespace {

QImage blankImage(QSize pixels, double density) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(density);
    image.fill(Qt::transparent);
    return image;
}

}  // namespace

bool DeviceFace::mascotReachesHeadline(const ScreenBezel& screen, const MascotPose& pose, double density) {
    const QRect glass = areas().screenGlass;
    const QRect glassPixels(glass.topLeft() * density, glass.size() * density);
    const ScreenBezel::Layout& layout = glassSubject_->layout;
    // `picture` covers `area` of the images' pixels.
    const auto paintOn = [&](QImage& image, QRect area, const auto& paintPart) {
        QPainter picture(&image);
        picture.translate(-QPointF(area.topLeft()) / density);
        picture.setClipRect(glass);
        paintPart(picture);
    };
    if (!headlineInk_) {
        // Painted where the glass is alone, whose place in the image may round the glyphs' edges
        // a pixel the other way: the margins below take that.
        QImage headline = blankImage(glassPixels.size(), density);
        paintOn(headline, glassPixels, [&](QPainter& picture) { screen.paintHeadline(picture, layout); });
        const QRect ink = inkBounds(headline);
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
    bool reaches = false;
    const QRect area = posesChecked_.against;
    if (!area.isEmpty()) {
        QImage probe = blankImage(area.size(), density);
        paintOn(probe, area, [&](QPainter& picture) { screen.paintMascot(picture, layout); });
        reaches = !inkBounds(probe).isEmpty();
    }
    // A looping motion has a few dozen poses; the bound only guards against an endless run.
    if (posesChecked_.poses.size() < 1024) posesChecked_.poses.emplace_back(pose, reaches);
    return reaches;
}

void DeviceFace::paintGlass(QPainter& painter, const DeviceView& shown) {
    const DeviceView::Layout& parts = areas().parts;
    const QRect glass = areas().screenGlass;
    const ScreenBezel screen = screenOf(shown);
    const double density = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    // A cross-fade changes every frame; it is painted as it is.
    if (screen.faceFade || !(density > 0) || !(density <= 8)) {
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
        if (!glassSubject_ || !glassSubject_->sameGlass(subject)) forgetGlassPictures();
        glassSubject_ = std::move(subject);
    }
    const ScreenBezel::Layout& screenLayout = glassSubject_->layout;
    // The plate's bevels and their edge shadows are the dearest part and never change: painted
    // once. Pictures made at another density (the window moved to another screen) would be
    // drawn scaled.
    if (glassPlate_.isNull() || glassPlate_.devicePixelRatio() != density) {
        forgetGlassPictures();
        posesChecked_ = {};
        const QRect extent(QPoint(), glass.bottomRight() + QPoint(1, 1));
        glassPlate_ = blankImage(extent.size() * density, density);
        QPainter plate(&glassPlate_);
        plate.setClipRect(glass);
        ScreenBezel::paintPlate(plate, screenLayout);
        plate.end();
        const QRect pixels(glass.topLeft() * density, glass.size() * density);
        glassPlateOpaque_ = everyPixelOpaque(glassPlate_.copy(pixels));
    }
    const MascotPose pose = MascotTimeline::pose(shown.display.motion, shown.clock(), shown.moment.reduceMotion,
                                                 ScreenMetrics::device().mascotScale, shown.moment.time);
    if (mascotReachesHeadline(screen, pose, density)) {
        screen.paint(painter, screenLayout);
        return;
    }
    const bool ledOn = screen.led().on;
    auto base = std::find_if(glassBases_.begin(), glassBases_.end(),
                             [&](const GlassBase& kept) { return kept.ledOn == ledOn; });
    if (base == glassBases_.end()) {
        QImage made = glassPlate_.copy();
        QPainter picture(&made);
        picture.setClipRect(glass);
        screen.paintStatusRow(picture, screenLayout);
        screen.paintHeadline(picture, screenLayout);
        picture.end();
        base = glassBases_.insert(glassBases_.end(), GlassBase{ledOn, std::move(made)});
    }
    painter.drawImage(QRectF(glass), base->image, QRectF(QPointF(glass.topLeft()) * density, QSizeF(glass.size()) * density));
    screen.paintMascot(painter, screenLayout);
    screen.paintOverlay(painter, screenLayout);
}

void DeviceFace::paintDrive(QPainter& painter, const DeviceView& shown) {
    const DeviceView::Layout& parts = areas().parts;
    const QRect drive = areas().drive;
    const DiskDrive driveView = driveOf(shown);
    const double density = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    if (!(density > 0) || !(density <= 8)) {
        Casing::paint(painter, parts.face);
        driveView.paint(painter, parts.drive.topLeft(), shown.moment.time);
        Casing::paintBorder(painter, parts.face);
        return;
    }
    // `image` covers `area` of the drive's pixels.
    const auto paintOn = [&](QImage& image, QPoint area, const auto& paintPart) {
        QPainter picture(&image);
        picture.translate(-(QPointF(drive.topLeft()) + QPointF(area) / density));
        picture.setClipRect(drive);
        paintPart(picture);
    };
    // The casing and the drive's plate and mouth under the floppy never change: painted once
    // at the window's whole-pixel place and density, so their picture gives the same pixels.
    if (driveBody_.isNull() || driveBody_.devicePixelRatio() != density) {
        driveBody_ = blankImage(drive.size() * density, density);
        paintOn(driveBody_, {}, [&](QPainter& body) {
            Casing::paint(body, parts.face);
            driveView.paintBody(body, parts.drive.topLeft());
        });
        driveFixtures_.reset();
    }
    const bool live = shown.display.live, broke = shown.display.broke;
    if (!driveFixtures_ || driveFixtures_->live != live || driveFixtures_->broke != broke ||
        !(driveFixtures_->label == shown.display.floppyLabel)) {
        DriveFixtures fixtures{live, broke, shown.display.floppyLabel, driveBody_.copy(), {}, {}};
        paintOn(fixtures.image, {}, [&](QPainter& picture) { driveView.paintFixtures(picture, parts.drive.topLeft()); });
        QImage alone = blankImage(driveBody_.size(), density);
        paintOn(alone, {}, [&](QPainter& picture) { driveView.paintFixtures(picture, parts.drive.topLeft()); });
        const QRect ink = inkBounds(alone);
        fixtures.ink = ink.isEmpty() ? QRect() : ink.adjusted(-2, -2, 2, 2) & driveBody_.rect();
        driveFixtures_ = std::move(fixtures);
    }
    const DriveLook look = driveLook(shown);
    const bool reachesFixtures = [&] {
        for (const auto& [checked, reaches] : driveFixtures_->looksChecked) {
            if (checked == look) return reaches;
        }
        bool reaches = false;
        const QRect area = driveFixtures_->ink;
        if (!area.isEmpty()) {
            QImage probe = blankImage(area.size(), density);
            paintOn(probe, area.topLeft(), [&](QPainter& picture) {
                driveView.paintMoving(picture, parts.drive.topLeft(), shown.moment.time);
            });
            reaches = !inkBounds(probe).isEmpty();
        }
        if (driveFixtures_->looksChecked.size() < 1024) driveFixtures_->looksChecked.emplace_back(look, reaches);
        return reaches;
    }();
    if (reachesFixtures) {
        painter.drawImage(drive.topLeft(), driveBody_);
        driveView.paintFront(painter, parts.drive.topLeft(), shown.moment.time);
    } else {
        painter.drawImage(drive.topLeft(), driveFixtures_->image);
        driveView.paintMoving(painter, parts.drive.topLeft(), shown.moment.time);
    }
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

QString DeviceFace::toolTip(QPointF point, HideKey::Recall recall) const { return view().toolTip(point, recall); }

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
