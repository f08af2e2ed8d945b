#pragma once
// Background work on a thread pool of its own, and results handed to the Qt application's
// main thread through its event loop. Work for the main thread that arrives once the
// application object is gone is dropped.
#include <QThreadPool>

#include "platform/WorkThreads.hpp"

namespace quorvel {

class QtWorkThreads final : public WorkThreads {
public:
    /// `threads` pieces of background work run side by side. Needs a Qt application object.
    explicit QtWorkThreads(int threads);
    ~QtWorkThreads() override;

    void runInBackground(std::function<void()> work) override;
    void runOnMainThread(std::function<void()> work) override;

private:
    QThreadPool pool_;
};

}  // namespace quorvel
