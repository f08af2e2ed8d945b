#include "platform/qt/QtWorkThreads.hpp"

#include <QCoreApplication>
#include <QMetaObject>

namespace quorvel {

QtWorkThreads::QtWorkThreads(int threads, std::chrono::milliseconds longestWaitAtEnd)
    // The work comes in bursts a few times a minute at most; idle threads need not stay.
    : pool_(threads, longestWaitAtEnd) {}

QtWorkThreads::~QtWorkThreads() = default;

void QtWorkThreads::runInBackground(std::function<void()> work) { pool_.start(std::move(work)); }

void QtWorkThreads::runOnMainThread(std::function<void()> work) { mainThreadWork_->post(mainThreadWork_, std::move(work)); }

std::function<void(std::function<void()>)> QtWorkThreads::mainThreadPoster() {
    return [waiting = mainThreadWork_](std::function<void()> work) { waiting->post(waiting, std::move(work)); };
}

bool QtWorkThreads::finish(std::chrono::milliseconds longest) {
    const bool done = pool_.waitForDone(longest);
    mainThreadWork_->runWaiting();
    return done;
}

void QtWorkThreads::MainThreadWork::post(const std::shared_ptr<MainThreadWork>& self, std::function<void()> work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    {
        std::lock_guard lock(mutex);
        waiting.push_back(std::move(work));
    }
    // Queued on the application object, which lives on the main thread: runs in its event
    // loop, in the order handed over.
    QMetaObject::invokeMethod(application, [self] { self->runWaiting(); }, Qt::QueuedConnection);
}

void QtWorkThreads::MainThreadWork::runWaiting() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(mutex);
            if (waiting.empty()) return;
            next = std::move(waiting.front());
            waiting.pop_front();
        }
        next();
    }
}

}  // namespace quorvel
