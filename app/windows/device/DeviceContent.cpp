#include "app/windows/device/DeviceContent.hpp"

namespace quorvel {
namespace {

constexpr double mascotScale = 6;

}  // namespace

DeviceContent::DeviceContent(DevicePresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock)
    : presenter_(presenter), clock_(clock), motion_(mascotScale, reduceMotion, clock) {
    motion_.show(presenter_.display());
    QObject::connect(&motion_, &LiveMotionClock::changed, [this] { requestUpdates(composition_.motionChanges(view())); });
    tabFrames_.setInterval(16);
    QObject::connect(&tabFrames_, &QTimer::timeout, [this] {
        requestUpdate(DeviceComposition::areas().tabBlock);
        if (!DeviceView::animatesTabs(state_, clock_.now())) tabFrames_.stop();
    });
}

DeviceContent::~DeviceContent() = default;

DeviceView DeviceContent::view() const {
    DeviceView::Actions actions;
    actions.onTestAlarm = [this] { presenter_.testAlarm(); };
    actions.onEject = [this] { presenter_.eject(); };
    actions.onHide = [this] { presenter_.hide(); };
    actions.onCompact = [this] { presenter_.compact(); };
    actions.onRowTap = [this](const std::string& id) { presenter_.rowTapped(id); };
    actions.onControlsChange = [this](const DeviceControls& controls) { presenter_.editControls(controls); };
    actions.onControlsSettled = [this](const DeviceControls& controls) { presenter_.settleControls(controls); };
    return DeviceView(presenter_.display(), presenter_.controls(), std::move(actions), std::nullopt, motion_.moment(),
                      state_);
}

QSize DeviceContent::size() const { return DeviceComposition::whole().size(); }

void DeviceContent::paint(QPainter& painter) { composition_.paint(painter, view()); }

bool DeviceContent::coversOpaquely(const QRect& area) const { return composition_.coversOpaquely(area); }

void DeviceContent::requestUpdates(const std::vector<QRect>& areas) const {
    for (const QRect& area : areas) requestUpdate(area);
}

void DeviceContent::afterGesture() {
    if (DeviceView::animatesTabs(state_, clock_.now()) && !tabFrames_.isActive()) tabFrames_.start();
    requestUpdate(DeviceComposition::whole());
}

void DeviceContent::refresh() {
    motion_.show(presenter_.display());
    requestUpdates(composition_.show(presenter_.display(), presenter_.controls()));
}

void DeviceContent::setShown(bool shown) {
    motion_.setHidden(!shown);
    if (!shown) {
        cancelGesture();
        tabFrames_.stop();
    }
}

}  // namespace quorvel
