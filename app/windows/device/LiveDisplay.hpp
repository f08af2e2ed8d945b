#pragma once
// The display snapshot a painted window on screen draws, kept up to date from the app: rebuilt after
// the app's changes (once per batch of changes) and, while a session is running or in a
// long run, on every whole second, so elapsed times advance; announced only when it differs. While its window is hidden it
// neither ticks nor announces anything; shown again, it catches up at once. Main thread.
#include <QObject>
#include <QTimer>
#include <memory>

#include "app/windows/device/DeviceSource.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "platform/Instant.hpp"

namespace quorvel {

class LiveDisplay final : public QObject {
    Q_OBJECT

public:
    /// `source` must outlive this object; `clock` tells the time the snapshots are built for.
    LiveDisplay(DeviceSource& source, std::shared_ptr<const Clock> clock, QObject* parent = nullptr);

    const DeviceDisplay& display() const { return display_; }

    /// Whether the window is on screen. Showing rebuilds the snapshot at once.
    void setShown(bool shown);
    bool shown() const { return shown_; }
    /// The whole-second tick runs: shown, with a busy session.
    bool ticking() const { return tick_.isActive(); }

    /// Milliseconds from `now` to the next whole second (1 to 1000).
    static int millisecondsToNextSecond(Instant now);

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
    bool shown_ = false;
    bool refreshScheduled_ = false;
};

}  // namespace quorvel
