#include "app/model/ModelHops.hpp"

#include <QMetaObject>

namespace quorvel {

ModelHops::ModelHops(QObject& context, AppDesktop& desktop) : context_(context), desktop_(desktop) {}

void ModelHops::inBackground(WorkQueue& queue, std::function<std::function<void()>()> work) const {
    // The work may be left behind at quit and end after the model: it hands its result back
    // only while the lifeline says the model is there.
    queue.run([context = &context_, lifeline = lifeline_, work = std::move(work)] {
        handBack(context, *lifeline, work());
    });
}

void ModelHops::handBack(QObject* context, Lifeline& lifeline, std::function<void()> then) {
    if (!then) return;
    std::lock_guard lock(lifeline.mutex);
    if (!lifeline.gone) QMetaObject::invokeMethod(context, std::move(then), Qt::QueuedConnection);
}

void ModelHops::later(std::function<void()> work) const {
    QMetaObject::invokeMethod(&context_, std::move(work), Qt::QueuedConnection);
}

void ModelHops::showError(const std::string& message) const {
    later([desktop = &desktop_, message] { desktop->showErrorAlert(message); });
}

void ModelHops::cutLifeline() {
    std::lock_guard lock(lifeline_->mutex);
    lifeline_->gone = true;
}

}  // namespace quorvel
