#pragma once
// The display snapshot a painted window on screen draws, kept up to date from the app: rebuilt after
// the app's changes (once per batch of changes) and, while a session is running or in a
// long run, on every whole second, so elapsed times advance; announced only when it differs. While its window is hidden it
// neither ticks nor announces anything; shown again, it catches up at once. Main thread.
//
// Each announcement costs the window a paint, so changes are paced: the first after a quiet
// spell is rebuilt at the event loop's next pass, the ones that follow it together, once
// `refreshSpacingMilliseconds` have passed since the last rebuild. A steady stream of events
// thus paints about ten times a second, and no change waits longer than that spacing (the last
// of a burst included).
#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/windows/device/DeviceSource.hpp"
#include "app/windows/device/OneShotTimer.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class LiveDisplay final : public QObject {
    Q_OBJECT

public:
    /// The least time from one rebuild to a rebuild for the app's changes.
    static constexpr int refreshSpacingMilliseconds = 100;

    /// `source` must outlive this object; `clock` tells the time the snapshots are built for and
    /// paces the rebuilds, which wait on `pacing` (the event loop's timer when none is given).
    LiveDisplay(DeviceSource& source, std::shared_ptr<const Clock> clock, std::unique_ptr<OneShotTimer> pacing = {},
                QObject* parent = nullptr);

    const DeviceDisplay& display() const { return display_; }

    /// Whether the window is on screen. Showing rebuilds the snapshot at once.
    void setShown(bool shown);
    bool shown() const { return shown_; }
    /// The whole-second tick runs: shown, with a busy session.
    bool ticking() const { return tick_.isActive(); }

    /// Milliseconds from `now` to the next whole second (1 to 1000).
    static int millisecondsToNextSecond(Instant now);
    /// Milliseconds a change arriving at `now` waits for its rebuild, the last one having been
    /// at `lastRebuild`: 0 to `refreshSpacingMilliseconds`, so a clock stepped back delays
    /// nothing longer than that.
    static int millisecondsToNextRefresh(std::optional<Instant> lastRebuild, Instant now);
    /// A rebuild for the app's changes is waiting.
    bool refreshPending() const { return pacing_->active(); }

    /// Rebuilds the snapshot for the clock's time now.
    void refresh();

signals:
    /// The snapshot differs from the last one announced. Never sent while hidden.
    void changed();

private:
    void scheduleRefresh();
    void onTick();
    void updateTicking();
    void rebuild(Instant now);

    DeviceSource& source_;
    std::shared_ptr<const Clock> clock_;
    DeviceDisplay display_;
    QTimer tick_;
    std::unique_ptr<OneShotTimer> pacing_;
    std::optional<Instant> lastRebuild_;
    bool shown_ = false;
};

}  // namespace quorvel
