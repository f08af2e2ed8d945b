#include "platform/qt/QtWorkThreads.hpp"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <climits>

namespace quorvel {

QtWorkThreads::QtWorkThreads(int threads) {
    pool_.setMaxThreadCount(std::max(1, threads));
    // The work comes in bursts a few times a minute at most; idle threads need not stay.
    pool_.setExpiryTimeout(30000);
}

QtWorkThreads::~QtWorkThreads() { pool_.waitForDone(); }

void QtWorkThreads::runInBackground(std::function<void()> work) { pool_.start(std::move(work)); }

void QtWorkThreads::runOnMainThread(std::function<void()> work) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    {
        std::lock_guard lock(mainThreadWork_->mutex);
        mainThreadWork_->waiting.push_back(std::move(work));
    }
    // Queued on the application object, which lives on the main thread: runs in its event
    // loop, in the order handed over.
    QMetaObject::invokeMethod(application, [waiting = mainThreadWork_] { waiting->runWaiting(); },
                              Qt::QueuedConnection);
}

bool QtWorkThreads::finish(std::chrono::milliseconds longest) {
    const bool done = pool_.waitForDone(static_cast<int>(std::clamp<long long>(longest.count(), 0, INT_MAX)));
    mainThreadWork_->runWaiting();
    return done;
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
