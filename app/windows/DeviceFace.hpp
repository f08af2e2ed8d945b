#pragma once
// The device as the device window holds it: the presenter's snapshot drawn as the device
// with its own motion clock, its pointer gestures and its controls turned into the
// presenter's intents, and its keys, pads, fader, tabs and rows offered to assistive tools.
// The mascot's timeline repaints only the screen and the drive, at the schedule's change
// times. Main thread.
#include <QImage>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/windows/DevicePresenter.hpp"
#include "app/windows/FaceContent.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/views/DeviceView.hpp"
#include "kit/visuals/views/LiveMotionClock.hpp"
#include "platform/ReduceMotion.hpp"

namespace quorvel {

class DeviceFace final : public FaceContent {
public:
    /// `presenter`, `reduceMotion` and `clock` must outlive the face.
    DeviceFace(DevicePresenter& presenter, ReduceMotion& reduceMotion, const Clock& clock);
    ~DeviceFace() override;

    QSize size() const override;
    void paint(QPainter& painter) override;
    bool press(QPointF point) override;
    void drag(QPointF point) override;
    void release(QPointF point) override;
    void hover(std::optional<QPointF> point) override;
    QString toolTip(QPointF point) const override;
    std::vector<AccessibleControl> controls() const override;
    void activate(std::size_t index) override;

    /// The presenter's snapshot changed.
    void refresh();
    void setShown(bool shown);

    /// The view as it would be painted now.
    DeviceView view() const;

    struct Areas {
        DeviceView::Layout parts;
        /// What the motion changes: the screen's glass, and the drive with its risen floppy.
        QRect screenGlass;
        QRect drive;
        /// The tabs and their rows.
        QRect tabBlock;
    };
    const Areas& areas() const;

private:
    std::vector<std::pair<AccessibleControl, std::function<void()>>> accessibleControls() const;
    void afterGesture();

    DevicePresenter& presenter_;
    const Clock& clock_;
    LiveMotionClock motion_;
    DeviceView::State state_;
    // Runs a frame at a time while the tab slide plays.
    QTimer tabFrames_;
    mutable std::optional<Areas> areas_;
    /// What the last refresh asked to be painted.
    struct Painted {
        DeviceDisplay display;
        DeviceControls controls;
    };
    std::optional<Painted> painted_;

    /// The glass as painted for one pose of the mascot, for the display it was painted for: a
    /// looping motion shows the same few pictures again and again.
    struct GlassPicture {
        MascotPose pose;
        bool overlay = false;
        QImage image;
    };
    struct GlassSubject {
        /// The snapshot as given.
        DeviceDisplay shownFor;
        /// The same without its time, and the event time as the glass writes it.
        DeviceDisplay display;
        std::string eventTime;
        bool sameGlass(const GlassSubject& other) const {
            return display == other.display && eventTime == other.eventTime;
        }
    };
    void paintGlass(QPainter& painter, const DeviceView& shown);
    std::optional<GlassSubject> glassSubject_;
    std::vector<GlassPicture> glassPictures_;
};

}  // namespace quorvel
