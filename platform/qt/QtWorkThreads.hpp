#pragma once
// Background work on a thread pool of its own, and results handed to the Qt application's
// main thread through its event loop. Work for the main thread that arrives once the
// application object is gone is dropped.
//
// Destroying it waits for the background work in hand at most `longestWaitAtEnd`; work still
// running then is left behind (`LeavableThreadPool`), so background work must own what it
// touches. It may keep handing work to the main thread through `mainThreadPoster`, never
// through this object, which may be gone.
#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

#include "platform/WorkThreads.hpp"
#include "platform/qt/LeavableThreadPool.hpp"

namespace quorvel {

class QtWorkThreads final : public WorkThreads {
public:
    /// `threads` pieces of background work run side by side. Needs a Qt application object.
    explicit QtWorkThreads(int threads, std::chrono::milliseconds longestWaitAtEnd = std::chrono::seconds(2));
    ~QtWorkThreads() override;

    void runInBackground(std::function<void()> work) override;
    void runOnMainThread(std::function<void()> work) override;
    std::function<void(std::function<void()>)> mainThreadPoster() override;
    bool finish(std::chrono::milliseconds longest) override;

private:
    /// The work handed to the main thread and not run yet, in order. Shared with the calls
    /// queued on the application object, which run it, unless `finish` did first, and with
    /// the posters handed out.
    struct MainThreadWork {
        std::mutex mutex;
        std::deque<std::function<void()>> waiting;
        void post(const std::shared_ptr<MainThreadWork>& self, std::function<void()> work);
        void runWaiting();
    };

    std::shared_ptr<MainThreadWork> mainThreadWork_ = std::make_shared<MainThreadWork>();
    LeavableThreadPool pool_;
};

}  // namespace quorvel
