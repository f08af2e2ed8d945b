#include "platform/qt/QtMainThreadHandOff.hpp"

#include <QCoreApplication>
#include <QMetaObject>

namespace quorvel {

void QtMainThreadHandOff::runOnMainThread(std::function<void()> work) { waiting_->post(waiting_, std::move(work)); }

std::function<void(std::function<void()>)> QtMainThreadHandOff::poster() {
    return [waiting = waiting_](std::function<void()> work) { waiting->post(waiting, std::move(work)); };
}

void QtMainThreadHandOff::runWaitingNow() { waiting_->runAll(); }

void QtMainThreadHandOff::Waiting::post(const std::shared_ptr<Waiting>& self, std::function<void()> next) {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    {
        std::lock_guard lock(mutex);
        work.push_back(std::move(next));
    }
    // Queued on the application object, which lives on the main thread: runs in its event
    // loop, in the order handed over.
    QMetaObject::invokeMethod(application, [self] { self->runAll(); }, Qt::QueuedConnection);
}

void QtMainThreadHandOff::Waiting::runAll() {
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard lock(mutex);
            if (work.empty()) return;
            next = std::move(work.front());
            work.pop_front();
        }
        next();
    }
}

}  // namespace quorvel
