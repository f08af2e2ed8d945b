#include "app/windows/device/LiveDisplay.hpp"

#include <cmath>


namespace quorvel {

LiveDisplay::LiveDisplay(DeviceSource& source, std::shared_ptr<const Clock> clock, std::unique_ptr<OneShotTimer> pacing,
                         QObject* parent)
    : QObject(parent),
      source_(source),
      clock_(std::move(clock)),
      display_(source.display(clock_->now())),
      pacing_(pacing ? std::move(pacing) : std::make_unique<QtOneShotTimer>()) {
    tick_.setSingleShot(true);
    tick_.setTimerType(Qt::PreciseTimer);
    connect(&tick_, &QTimer::timeout, this, &LiveDisplay::onTick);
    connect(&source_, &DeviceSource::changed, this, &LiveDisplay::scheduleRefresh);
}

int LiveDisplay::millisecondsToNextSecond(Instant now) {
    const double seconds = now.unixSeconds();
    if (!std::isfinite(seconds)) return 1000;
    const double fraction = seconds - std::floor(seconds);
    const double left = std::ceil((1.0 - fraction) * 1000.0);
    if (!(left >= 1.0)) return 1;
    return left > 1000.0 ? 1000 : static_cast<int>(left);
}

int LiveDisplay::millisecondsToNextRefresh(std::optional<Instant> lastRebuild, Instant now) {
    if (!lastRebuild) return 0;
    const double since = (now.unixSeconds() - lastRebuild->unixSeconds()) * 1000.0;
    if (!std::isfinite(since)) return 0;
    // Before the last rebuild: the clock went back, and the last rebuild is as recent as can be.
    if (since < 0) return refreshSpacingMilliseconds;
    const double left = std::round(refreshSpacingMilliseconds - since);
    return left > 0 ? static_cast<int>(left) : 0;
}

void LiveDisplay::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    if (shown_) {
        refresh();
    } else {
        tick_.stop();
        pacing_->stop();
    }
}

void LiveDisplay::scheduleRefresh() {
    if (!shown_ || pacing_->active()) return;
    pacing_->start(millisecondsToNextRefresh(lastRebuild_, clock_->now()), [this] {
        if (shown_) refresh();
    });
}

void LiveDisplay::refresh() { rebuild(clock_->now()); }

void LiveDisplay::onTick() {
    // The timer fires just after the whole second it was set for: draw that second.
    const Instant now = clock_->now();
    const double second = std::round(now.unixSeconds());
    rebuild(std::isfinite(second) ? Instant::fromUnixSeconds(second) : now);
}

void LiveDisplay::rebuild(Instant now) {
    lastRebuild_ = clock_->now();
    DeviceDisplay display = source_.display(now);
    bool differs = !(display == display_);
    if (differs && !source_.hasBusySession()) {
        // With nothing running the time shows only in minutes (finish and event times): the
        // model's regular ticks that bring nothing but a new time redraw nothing.
        DeviceDisplay sameTime = display;
        sameTime.now = display_.now;
        const auto minute = [](Instant at) { return std::floor(at.unixSeconds() / 60); };
        differs = !(sameTime == display_) || minute(display.now) != minute(display_.now);
    }
    display_ = std::move(display);
    updateTicking();
    if (differs && shown_) emit changed();
}

void LiveDisplay::updateTicking() {
    if (!shown_ || !source_.hasBusySession()) {
        tick_.stop();
        return;
    }
    tick_.start(millisecondsToNextSecond(clock_->now()));
}

}  // namespace quorvel
