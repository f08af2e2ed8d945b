#pragma once
// The device as the device window holds it: the presenter's snapshot drawn as the device
// with its own motion clock, its pointer gestures and its controls turned into the
// presenter's intents, and its keys, pads, fader, tabs and rows offered to assistive tools.
// The mascot's timeline repaints only the screen and the drive, at the schedule's change
// times. Main thread.
#include <QImage>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "app/windows/DevicePresenter.hpp"
#include "app/windows/FaceContent.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/views/DeviceView.hpp"
#include "kit/visuals/views/LiveMotionClock.hpp"
#include "kit/visuals/views/ScreenBezel.hpp"
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
    bool coversOpaquely(const QRect& area) const override;
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
        /// The screen laid out for the snapshot (it measures its texts: done once per snapshot).
        ScreenBezel::Layout layout;
        bool sameGlass(const GlassSubject& other) const {
            return display == other.display && eventTime == other.eventTime;
        }
    };
    void paintGlass(QPainter& painter, const DeviceView& shown);

    /// What the motion shows on the glass and in the drive at the view's moment, in the
    /// schedule's picture numbers: a step that changes neither leaves that area unpainted.
    using GlassLook = std::array<double, 10>;
    using DriveLook = std::array<double, 4>;
    static std::optional<GlassLook> glassLook(const DeviceView& shown);
    static DriveLook driveLook(const DeviceView& shown);
    /// Notes what a paint clipped to `clip` (none: everything) put on screen.
    void notePainted(const DeviceView& shown, const std::optional<QRectF>& clip);
    /// Asks for the glass and the drive where the motion's step changed them.
    void requestMotionUpdate();
    /// What is on screen now; nothing when unknown (never painted, or painted in part).
    std::optional<GlassLook> glassOnScreen_;
    std::optional<DriveLook> driveOnScreen_;
    std::optional<GlassSubject> glassSubject_;
    std::vector<GlassPicture> glassPictures_;
    /// The bezel and the empty glass under the glass area, at the density it was painted for:
    /// every new glass picture starts as a copy of it.
    QImage glassPlate_;
    /// Whether the plate covers the whole glass area with opaque pixels (so does every
    /// picture of the glass).
    bool glassPlateOpaque_ = false;
    void paintDrive(QPainter& painter, const DeviceView& shown);
    /// The casing and the drive without its floppy, lip, LED and label, under the drive area.
    QImage driveBody_;
};

}  // namespace quorvel
