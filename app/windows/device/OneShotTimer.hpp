#pragma once
// A wait that calls back once, on the thread that started it, unless stopped or started again
// first. The live display paces its rebuilds with one; a test puts in one it fires itself.
#include <QTimer>
#include <functional>

namespace quorvel {

class OneShotTimer {
public:
    virtual ~OneShotTimer() = default;
    /// Calls `due` once `milliseconds` (0 or more; 0: at the event loop's next pass) from now,
    /// replacing any wait still pending.
    virtual void start(int milliseconds, std::function<void()> due) = 0;
    virtual void stop() = 0;
    /// A wait is pending.
    virtual bool active() const = 0;
};

/// The event loop's timer. Main thread (or the thread of its event loop).
class QtOneShotTimer final : public OneShotTimer {
public:
    QtOneShotTimer() {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (due_) due_();
        });
    }

    void start(int milliseconds, std::function<void()> due) override {
        due_ = std::move(due);
        timer_.start(milliseconds);
    }
    void stop() override { timer_.stop(); }
    bool active() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> due_;
};

}  // namespace quorvel
