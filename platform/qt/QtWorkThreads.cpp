#include "platform/qt/QtWorkThreads.hpp"

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>

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
    // Queued on the application object, which lives on the main thread: runs in its event
    // loop, in the order handed over.
    QMetaObject::invokeMethod(application, std::move(work), Qt::QueuedConnection);
}

}  // namespace quorvel
