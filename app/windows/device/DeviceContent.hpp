#pragma once
// The device as the device window holds it: the presenter's snapshot drawn as the device
// with its own motion clock, its pointer gestures and its controls turned into the
// presenter's intents, and its controls offered to assistive tools. The kit's composition
// paints it and says which areas a new snapshot or a step of the mascot's timeline changes:
// only those are repainted, and only the tab block while the tab slide plays. Main thread.
#include <QTimer>
#include <vector>

#include "app/windows/device/DevicePresenter.hpp"
#include "app/windows/hosting/PaintedViewContent.hpp"
#include "kit/visuals/views/device/DeviceComposition.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/mascot/LiveMotionClock.hpp"
#include "platform/desktop/ReduceMotion.hpp"

namespace quorvel {

class DeviceContent final : public PaintedViewContent<DeviceView> {
public:
    /// `presenter`, `reduceMotion` and `clock` must outlive the content.
    DeviceContent(DevicePresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock);
    ~DeviceContent() override;

    DeviceView view() const override;
    QSize size() const override;
    void paint(QPainter& painter) override;
    bool coversOpaquely(const QRect& area) const override;

    /// The presenter's snapshot changed.
    void refresh();
    void setShown(bool shown);

private:
    void afterGesture() override;
    void requestUpdates(const std::vector<QRect>& areas) const;

    DevicePresenter& presenter_;
    const Clock& clock_;
    LiveMotionClock motion_;
    // Runs a frame at a time while the tab slide plays.
    QTimer tabFrames_;
    DeviceComposition composition_;
};

}  // namespace quorvel
