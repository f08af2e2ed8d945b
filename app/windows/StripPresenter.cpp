#include "app/windows/StripPresenter.hpp"

#include "app/model/AppModel.hpp"

namespace quorvel {

StripPresenter::StripPresenter(AppModel& model, std::shared_ptr<const Clock> clock, QObject* parent)
    : QObject(parent), model_(model), live_(model, std::move(clock)) {
    connect(&live_, &LiveDisplay::changed, this, &StripPresenter::changed);
}

void StripPresenter::eject() { model_.dismiss(); }

void StripPresenter::edit() { model_.bringTerminalForward(std::nullopt); }

void StripPresenter::hide() { model_.setStripVisible(false); }

void StripPresenter::expand() {
    model_.setDeviceVisible(true);
    model_.setStripVisible(false);
}

}  // namespace quorvel
