#include "kit/visuals/views/device/DeviceView.hpp"

#include <QPainter>
#include <cmath>
#include <memory>

#include "kit/visuals/views/device/DeviceComposition.hpp"
#include "kit/visuals/views/device/DriveMetrics.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"
#include "kit/visuals/views/device/ScreenMetrics.hpp"

namespace quorvel {
namespace {

constexpr double contentWidth = DeviceView::faceWidth - 2 * DeviceView::facePadding;

// The heights that depend on no snapshot: the tab block always lists three rows (the device
// offers no "see all" link) and the control panel's keys never change size.
double tabBlockHeight() {
    TabBlock block(DeviceDisplay(DeviceDisplay::Fields{}));
    block.tabHeight = DeviceView::tabHeight;
    return block.height(contentWidth);
}

double controlsHeight() { return Controls{}.height(contentWidth); }

}  // namespace

DeviceView::DeviceView(DeviceDisplay display, DeviceControls controls, Actions actions, std::optional<double> frozenAt,
                       FaceMoment moment, State state)
    : display(std::move(display)),
      controls(controls),
      actions(std::move(actions)),
      frozenAt(frozenAt),
      moment(moment),
      state(std::move(state)) {}

double DeviceView::faceHeight() {
    // Whole points, so a window of this size and a picture of it end on a pixel edge.
    static const double height =
        std::ceil(2 * facePadding + Header::height() + ScreenBezel::height(ScreenMetrics::device()) +
                  tabBlockHeight() + controlsHeight() + DriveMetrics::mac().height + 4 * stackSpacing);
    return height;
}

QSizeF DeviceView::size() { return shell.totalSize(QSizeF(faceWidth, faceHeight())); }

const DeviceView::Layout& DeviceView::layout() {
    // The same for every snapshot, and measuring it lays out text: done once, like the height.
    static const Layout measured = [] {
        const QSizeF faceSize(faceWidth, faceHeight());
        Layout result;
        result.shell = shell.frame(faceSize);
        result.face = shell.faceRect(faceSize);
        const double left = result.face.left() + facePadding;
        double y = result.face.top() + facePadding;

        result.header = QRectF(left, y, contentWidth, Header::height());
        y = result.header.bottom() + stackSpacing;
        result.screen = QRectF(left, y, contentWidth, ScreenBezel::height(ScreenMetrics::device()));
        y = result.screen.bottom() + stackSpacing;
        result.tabBlock = QRectF(left, y, contentWidth, tabBlockHeight());
        y = result.tabBlock.bottom() + stackSpacing;
        result.controls = QRectF(left, y, contentWidth, controlsHeight());
        y = result.controls.bottom() + stackSpacing;
        result.drive = QRectF(left, y, contentWidth, DriveMetrics::mac().height);
        return result;
    }();
    return measured;
}

Header DeviceView::header() const {
    std::optional<Header::Key> hovered;
    if (state.hovered && state.hovered->kind == DeviceTarget::Kind::headerKey) hovered = state.hovered->headerKey;
    return Header{static_cast<bool>(actions.onCompact), hovered};
}

Header::Layout DeviceView::headerLayout() const {
    const QRectF row = layout().header;
    return header().layout(row.topLeft(), row.width());
}

TabBlock DeviceView::tabBlock() const {
    TabBlock block =
        TabBlock::onFace(display, tabHeight, moment.reduceMotion, state.tab, state.tabSwitch, moment.time);
    block.actions.onRowTap = actions.onRowTap;
    return block;
}

Controls DeviceView::controlPanel() const {
    Controls panel;
    panel.controls = controls;
    panel.alarm = display.broke;
    panel.acknowledgeable = display.acknowledgeable;
    if (const auto shown = state.press.shownPressed(); shown && shown->kind == DeviceTarget::Kind::control) {
        panel.pressedKey = shown->control;
    }
    panel.actions = Controls::Actions{actions.onControlsChange, actions.onControlsSettled, actions.onTestAlarm,
                                      actions.onEject};
    return panel;
}

std::optional<DeviceTarget> DeviceView::hitTest(QPointF point) const {
    const Layout parts = layout();
    if (const auto key = header().keyAt(headerLayout(), point)) {
        return DeviceTarget{DeviceTarget::Kind::headerKey, *key, {}, {}};
    }
    if (const auto control = controlPanel().hitTest(parts.controls, point)) {
        return DeviceTarget{DeviceTarget::Kind::control, {}, *control, {}};
    }
    if (const auto target = tabBlock().hitTest(parts.tabBlock, point)) {
        return DeviceTarget{DeviceTarget::Kind::tabBlock, {}, {}, *target};
    }
    return std::nullopt;
}

QString DeviceView::toolTip(QPointF point, HideKey::Recall recall) const {
    const auto target = hitTest(point);
    if (!target || target->kind != DeviceTarget::Kind::headerKey) return {};
    return HideKey::help(Header::glyph(target->headerKey), recall);
}

void DeviceView::hover(std::optional<QPointF> point, State& state) const {
    state.hovered = point ? hitTest(*point) : std::nullopt;
}

void DeviceView::press(QPointF point, State& state) const {
    auto target = hitTest(point);
    if (target && target->kind == DeviceTarget::Kind::control) {
        // The fader takes the value at the press already.
        controlPanel().press(layout().controls, point);
    }
    state.press.press(target);
}

void DeviceView::drag(QPointF point, State& state) const {
    const auto& held = state.press.held();
    if (held && held->kind == DeviceTarget::Kind::control && held->control == ControlsTarget::fader) {
        controlPanel().drag(ControlsTarget::fader, layout().controls, point);
        return;
    }
    state.press.move(hitTest(point));
}

void DeviceView::release(QPointF point, State& state) const {
    const auto held = state.press.held();
    if (held && held->kind == DeviceTarget::Kind::control && held->control == ControlsTarget::fader) {
        state.press.cancel();
        controlPanel().release(ControlsTarget::fader, layout().controls, point);
        return;
    }
    if (const auto target = state.press.release(hitTest(point))) activate(*target, state);
}

void DeviceView::cancel(State& state) const {
    const auto held = state.press.held();
    state.press.cancel();
    // A drag cut short still leaves its last value: store it.
    if (held && held->kind == DeviceTarget::Kind::control && held->control == ControlsTarget::fader &&
        actions.onControlsSettled) {
        actions.onControlsSettled(controls);
    }
}

void DeviceView::activate(const DeviceTarget& target, State& state) const {
    switch (target.kind) {
        case DeviceTarget::Kind::headerKey:
            if (target.headerKey == Header::Key::hide) {
                if (actions.onHide) actions.onHide();
            } else if (actions.onCompact) {
                actions.onCompact();
            }
            return;
        case DeviceTarget::Kind::control: return controlPanel().activate(target.control);
        case DeviceTarget::Kind::tabBlock:
            return tabBlock().activateOnFace(target.tabBlock, state.tab, state.tabSwitch, moment.time);
    }
}

bool DeviceView::animatesTabs(State& state, Instant now) {
    return tabSwitchRuns(state.tabSwitch, now);
}

std::vector<AccessibleControl> DeviceView::accessibleControls(State& state) const {
    const Layout parts = layout();
    const auto shown = std::make_shared<const DeviceView>(*this);
    std::vector<AccessibleControl> all;
    const auto add = [&](AccessibleControl control, const std::optional<DeviceTarget>& target) {
        if (target) control.press = [shown, target = *target, &state] { shown->activateForAssistant(target, state); };
        all.push_back(std::move(control));
    };
    for (auto& key : header().accessibleKeys(headerLayout())) {
        add(std::move(key.control), DeviceTarget{DeviceTarget::Kind::headerKey, *key.target, {}, {}});
    }
    for (auto& item : tabBlock().accessibleControls(parts.tabBlock)) {
        std::optional<DeviceTarget> target;
        if (item.target) target = DeviceTarget{DeviceTarget::Kind::tabBlock, {}, {}, *item.target};
        add(std::move(item.control), target);
    }
    for (auto& item : controlPanel().accessibleControls(parts.controls)) {
        std::optional<DeviceTarget> target;
        if (item.target) target = DeviceTarget{DeviceTarget::Kind::control, {}, *item.target, {}};
        add(std::move(item.control), target);
    }
    return all;
}

void DeviceView::activateForAssistant(const DeviceTarget& target, State& state) const {
    if (target.kind == DeviceTarget::Kind::tabBlock && target.tabBlock.kind == TabBlockTarget::Kind::tabKey) {
        if (state.tab != target.tabBlock.tab) pickTab(state.tab, state.tabSwitch, target.tabBlock.tab, false, moment.time);
        return;
    }
    activate(target, state);
}

void DeviceView::paint(QPainter& painter) const { DeviceComposition::paintWhole(painter, *this); }

}  // namespace quorvel
