#pragma once
// What every part of the model shares to move work between threads: a run on a work queue
// whose result comes back to the main thread, a call after the current work, the error
// alert, and the "assign a tracked field, then announce it" rule. Results come back as queued
// calls on one context object (the model), so the model's end drops them all at once; work
// left behind on a queue at quit sees the lifeline cut and hands nothing back.
// Main thread, except the work handed to `inBackground`.
#include <QObject>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "app/model/AppDesktop.hpp"
#include "platform/threads/WorkQueue.hpp"

namespace quorvel {

class ModelHops {
public:
    /// Results come back as queued calls on `context`; errors show on `desktop`. Both must
    /// outlive the hops.
    ModelHops(QObject& context, AppDesktop& desktop);
    ModelHops(const ModelHops&) = delete;
    ModelHops& operator=(const ModelHops&) = delete;

    /// Runs `work` on `queue`; the function it returns (if any) runs afterwards on the main
    /// thread, unless the lifeline is cut by then. `work` may outlive the model (left behind
    /// at quit): it owns what it touches and leaves the model alone.
    void inBackground(WorkQueue& queue, std::function<std::function<void()>()> work) const;
    /// Runs `work` on the main thread after the current work.
    void later(std::function<void()> work) const;
    /// Shows the modal error alert with `message`, after the current work is done.
    void showError(const std::string& message) const;
    /// From now on nothing comes back from a queue; any thread may still be running work.
    void cutLifeline();

private:
    struct Lifeline {
        std::mutex mutex;
        bool gone = false;
    };
    /// Queues `then` (when there is one) on `context` unless the lifeline is cut; any thread.
    /// Static: the hops may be gone.
    static void handBack(QObject* context, Lifeline& lifeline, std::function<void()> then);

    QObject& context_;
    AppDesktop& desktop_;
    std::shared_ptr<Lifeline> lifeline_ = std::make_shared<Lifeline>();
};

/// Stores `value` in `field` of `part` and, when it differs from the old value, sends
/// `signal` and then the part's `changed`.
template <typename Part, typename T>
void assignTracked(Part& part, T& field, T value, void (Part::*signal)()) {
    if (field == value) return;
    field = std::move(value);
    emit(part.*signal)();
    emit part.changed();
}

}  // namespace quorvel
