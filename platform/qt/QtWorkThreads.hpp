#pragma once
// Background work on a thread pool of its own, and results handed to the Qt application's
// main thread through its event loop. Work for the main thread that arrives once the
// application object is gone is dropped.
#include <QThreadPool>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/WorkThreads.hpp"

namespace quorvel {

class QtWorkThreads final : public WorkThreads {
public:
    /// `threads` pieces of background work run side by side. Needs a Qt application object.
    explicit QtWorkThreads(int threads);
    ~QtWorkThreads() override;

    void runInBackground(std::function<void()> work) override;
    void runOnMainThread(std::function<void()> work) override;
    bool finish(std::chrono::milliseconds longest) override;

private:
    /// The work handed to the main thread and not run yet, in order. Shared with the calls
    /// queued on the application object, which run it, unless `finish` did first.
    struct MainThreadWork {
        std::mutex mutex;
        std::deque<std::function<void()>> waiting;
        void runWaiting();
    };

    std::shared_ptr<MainThreadWork> mainThreadWork_ = std::make_shared<MainThreadWork>();
    QThreadPool pool_;
};

}  // namespace quorvel
