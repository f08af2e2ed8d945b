#pragma once
// Runs work that waits (the keyring, the network) off the main thread and brings its results
// back there, for an owner that must never see a result after it is gone. Jobs under one key
// run one after another in the order given; jobs under different keys run side by side.
//
// Threads: every member is used on the main thread only, but for the function `poster` gives.
// Results that come back after the chains are gone are dropped; the owner holds the chains
// as its last member, so they go first and the owner's state outlives every result handed on.
// After `stop` no job and no background work starts any more; the jobs waiting stay unrun.
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/threads/MainThreadHandOff.hpp"
#include "platform/threads/WorkQueue.hpp"

namespace quorvel {

class WorkChains {
public:
    /// A job gets the function to call, on the main thread, when it is over; the next job
    /// under its key starts then.
    using Job = std::function<void(std::function<void()> finished)>;

    /// The background work runs on `queue`, whose end waits for it a bounded time at most
    /// (`ThreadPoolWorkQueue`); the results come back through `handOff`.
    WorkChains(std::unique_ptr<WorkQueue> queue, std::unique_ptr<MainThreadHandOff> handOff)
        : handOff_(std::move(handOff)), queue_(std::move(queue)) {}
    /// Waits for the background work in flight as the queue does at its end; its results are
    /// dropped.
    ~WorkChains() = default;

    WorkChains(const WorkChains&) = delete;
    WorkChains& operator=(const WorkChains&) = delete;

    /// Runs `job` at once when nothing runs under `key`, else after what was enqueued before.
    void enqueue(const std::string& key, Job job);

    /// `work` on a background thread, then `then` with its result on the main thread.
    template <typename Result>
    void inBackground(std::function<Result()> work, std::function<void(Result)> then);

    /// A function any thread may call while the background work runs, to hand a task to the
    /// main thread; the task is dropped there when the chains are gone.
    std::function<void(std::function<void()>)> poster() const;

    /// At quit: nothing new starts, and the results of the work in flight land here within
    /// at most `longest`: the wait for the queue, then the results it handed back run here
    /// (`MainThreadHandOff::runWaitingNow`). False when work was still running then.
    bool stop(std::chrono::milliseconds longest);
    bool stopped() const { return stopped_; }

private:
    struct Chain {
        std::deque<Job> waiting;
        bool busy = false;
    };

    void runNext(const std::string& key);

    std::map<std::string, Chain> chains_;
    bool stopped_ = false;
    // The queue is declared last: it goes first, waiting (a bounded time) for the work in
    // flight, before what it reports to. The work posts through posters of its own, which
    // outlive the hand-off.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
    std::unique_ptr<MainThreadHandOff> handOff_;
    std::unique_ptr<WorkQueue> queue_;
};

template <typename Result>
void WorkChains::inBackground(std::function<Result()> work, std::function<void(Result)> then) {
    if (stopped_) return;
    std::weak_ptr<int> alive = alive_;
    // Work stuck at quit may outlive the queue and the chains: it posts through a poster of
    // its own and never touches either.
    queue_->run([work = std::move(work), then = std::move(then), alive, post = handOff_->poster()]() mutable {
        Result result = work();
        post([then = std::move(then), result = std::move(result), alive]() mutable {
            if (!alive.expired()) then(std::move(result));
        });
    });
}

}  // namespace quorvel
