#pragma once
// The live behaviour of one face (device or strip) in a window: its motion clock, restarted
// when the display's motion key changes, and one single-shot precise timer armed for the next
// moment the picture changes (the next change time of the motion schedule, or the end of a
// one-shot's hold). No timer runs while the clock is finished, motion is reduced or the face
// is hidden, but for one thing: with reduce motion on, a change of the mascot's face between
// snapshots cross-fades over 0.2 s, a frame at a time. The window owns it, calls `show` with
// every snapshot before painting it, and repaints on `changed`, painting `moment()`.
//
// Main thread. The clock and the reduce-motion setting must outlive this object.
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/engine/PixelArtFace.hpp"
#include "kit/visuals/views/mascot/FaceFade.hpp"
#include "kit/visuals/views/mascot/FaceMoment.hpp"
#include "platform/desktop/ReduceMotion.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class LiveMotionClock final : public QObject {
    Q_OBJECT
public:
    /// `scale`: the mascot's points per art pixel on this face (6 on the device, 4 on the
    /// strip), the scale at which its picture changes are counted.
    LiveMotionClock(double scale, ReduceMotion& reduceMotion, const Clock& clock, QObject* parent = nullptr);
    ~LiveMotionClock() override;

    /// A new snapshot: the first one, or one with a new motion key, starts a new clock (muted
    /// is finished at once); the same key again changes nothing. Never emits `changed`: the
    /// caller paints this snapshot anyway.
    void show(const DeviceDisplay& display);
    /// A hidden face stops its timer; shown again it catches up with the time that passed.
    void setHidden(bool hidden);

    /// What the face draws now.
    FaceMoment moment() const;
    const MotionClock& clock() const { return clock_; }
    /// When the timer fires next; nothing while no timer is armed.
    std::optional<Instant> nextFire() const { return nextFire_; }

signals:
    /// The picture changed: a timeline step, a one-shot finishing, or reduce motion turning.
    void changed();

private:
    void rearm();
    void fire();
    /// Marks a one-shot finished once its hold time has passed; true when it did now.
    bool finishIfHeld(Instant now);
    /// Starts a cross-fade when reduce motion is on and the still face differs from the last.
    void followFace(Instant now);

    double scale_;
    ReduceMotion& reduceMotion_;
    const Clock& wallClock_;
    QTimer timer_;
    QTimer fadeFrames_;
    std::optional<PixelArt::Face> shownFace_;
    std::optional<FaceFade> fade_;
    std::size_t observer_ = 0;
    std::optional<std::string> motionKey_;
    MascotMotion displayMotion_ = MascotMotion::idle;
    MotionClock clock_;
    bool hidden_ = false;
    std::optional<Instant> nextFire_;
    /// The scheduled date of the step last fired, so an early timer still paints its step.
    std::optional<Instant> stepDate_;
};

}  // namespace quorvel
