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
    QString toolTip(QPointF point, HideKey::Recall recall) const override;
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
    // The glass is painted as the plate with what every pose shows alike (the status row with
    // the LED lit or dark, the headline and the detail), kept per snapshot, and the mascot and
    // the overlay painted over it straight on the window. The kept pictures are painted at the
    // window's own place (the images reach from the face's top-left to the glass's far corner),
    // so every pixel comes out as in a whole paint; the mascot, painted straight, is too.
    // The headline comes before the mascot here and after it in a whole paint: the same pixels
    // only while the mascot puts none on the headline's ink, which is checked once per pose; a
    // pose that does has the whole screen painted as a whole paint does.
    //
    /// The bezel and the empty glass, at the density it was painted for: the same for every
    /// snapshot.
    QImage glassPlate_;
    struct GlassBase {
        bool ledOn = false;
        QImage image;
    };
    std::vector<GlassBase> glassBases_;
    /// Around where the headline and the detail put ink, in the images' pixels (empty: none);
    /// nothing until measured for the current subject.
    std::optional<QRect> headlineInk_;
    /// The poses seen, and whether the mascot reaches into `against` in them, for the
    /// density of the plate.
    struct PosesChecked {
        QRect against;
        bool broke = false;
        std::vector<std::pair<MascotPose, bool>> poses;
    };
    PosesChecked posesChecked_;
    /// Drops what was painted for an earlier subject or density.
    void forgetGlassPictures();
    bool mascotReachesHeadline(const ScreenBezel& screen, const MascotPose& pose, double density);
    /// Whether the plate covers the whole glass area with opaque pixels (so does every
    /// picture of the glass).
    bool glassPlateOpaque_ = false;
    void paintDrive(QPainter& painter, const DeviceView& shown);
    /// The casing and the drive without its floppy, lip, LED and label, under the drive area.
    QImage driveBody_;
    /// The body with the LED and the label, for the snapshot's LED and label: the floppy and
    /// the lip are painted over it, where a whole paint paints them before the LED and the
    /// label. The same pixels only while they put none on the LED's and the label's ink,
    /// which is checked once per look of the drive.
    struct DriveFixtures {
        bool live = false;
        bool broke = false;
        /// The floppy's label, which the checks below took.
        FloppyLabel label;
        QImage image;
        /// Around the LED's and the label's ink, in the image's pixels.
        QRect ink;
        std::vector<std::pair<DriveLook, bool>> looksChecked;
    };
    std::optional<DriveFixtures> driveFixtures_;
};

}  // namespace quorvel
