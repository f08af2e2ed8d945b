#include "kit/visuals/views/mascot/LiveMotionClock.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kit/visuals/views/mascot/MascotTimeline.hpp"

namespace quorvel {

LiveMotionClock::LiveMotionClock(double scale, ReduceMotion& reduceMotion, const Clock& clock, QObject* parent)
    : QObject(parent),
      scale_(scale),
      reduceMotion_(reduceMotion),
      wallClock_(clock),
      clock_{MascotMotion::idle, clock.now(), false} {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &LiveMotionClock::fire);
    fadeFrames_.setInterval(16);
    connect(&fadeFrames_, &QTimer::timeout, this, [this] {
        if (!fade_ || !fade_->progress(wallClock_.now())) {
            fade_.reset();
            fadeFrames_.stop();
        }
        emit changed();
    });
    observer_ = reduceMotion_.addObserver([this] {
        // Turning the setting over is no face change to fade.
        fade_.reset();
        shownFace_.reset();
        followFace(wallClock_.now());
        rearm();
        emit changed();
    });
}

LiveMotionClock::~LiveMotionClock() { reduceMotion_.removeObserver(observer_); }

void LiveMotionClock::show(const DeviceDisplay& display) {
    displayMotion_ = display.motion;
    if (motionKey_ != display.motionKey) {
        motionKey_ = display.motionKey;
        clock_ = MotionClock::starting(display.motion, wallClock_.now());
        stepDate_.reset();
    }
    followFace(wallClock_.now());
    rearm();
}

void LiveMotionClock::followFace(Instant now) {
    const PixelArt::Face face = MascotTimeline::pose(displayMotion_, clock_, reduceMotion_.isOn(), scale_, now).face;
    if (shownFace_ && *shownFace_ != face && reduceMotion_.isOn() && !hidden_) {
        fade_ = FaceFade{*shownFace_, now};
        fadeFrames_.start();
    }
    shownFace_ = face;
}

void LiveMotionClock::setHidden(bool hidden) {
    if (hidden == hidden_) return;
    hidden_ = hidden;
    const bool finishedMeanwhile = !hidden && finishIfHeld(wallClock_.now());
    rearm();
    if (finishedMeanwhile) emit changed();
}

FaceMoment LiveMotionClock::moment() const {
    Instant time = wallClock_.now();
    if (stepDate_ && *stepDate_ > time) time = *stepDate_;
    std::optional<FaceFade> fade;
    if (fade_ && reduceMotion_.isOn() && fade_->progress(time)) fade = fade_;
    return FaceMoment{clock_, time, reduceMotion_.isOn(), fade};
}

bool LiveMotionClock::finishIfHeld(Instant now) {
    if (clock_.finished) return false;
    const auto hold = MotionClock::holdTime(clock_.motion);
    if (!hold || now < clock_.start.adding(*hold)) return false;
    clock_.finished = true;
    return true;
}

void LiveMotionClock::rearm() {
    timer_.stop();
    nextFire_.reset();
    const Instant now = wallClock_.now();
    finishIfHeld(now);
    if (hidden_ || clock_.finished || reduceMotion_.isOn()) return;

    std::optional<Instant> next;
    if (MascotTimeline::runs(displayMotion_, clock_, false)) {
        next = MascotTimeline::nextChange(clock_, scale_, stepDate_ && *stepDate_ > now ? *stepDate_ : now);
    }
    if (const auto hold = MotionClock::holdTime(clock_.motion)) {
        const Instant end = clock_.start.adding(*hold);
        if (!next || end < *next) next = end;
    }
    if (!next) return;
    nextFire_ = next;
    const double milliseconds = std::ceil(next->secondsSince(now) * 1000);
    const double bounded = std::clamp(std::isfinite(milliseconds) ? milliseconds : 0.0, 0.0,
                                      static_cast<double>(std::numeric_limits<int>::max()));
    timer_.start(static_cast<int>(bounded));
}

void LiveMotionClock::fire() {
    const Instant now = wallClock_.now();
    if (nextFire_) stepDate_ = *nextFire_;
    finishIfHeld(std::max(now, stepDate_.value_or(now)));
    rearm();
    emit changed();
}

}  // namespace quorvel
