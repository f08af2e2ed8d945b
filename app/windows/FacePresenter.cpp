#include "app/windows/FacePresenter.hpp"

namespace quorvel {

FacePresenter::FacePresenter(DeviceSource& source, WindowNavigator& navigator, std::shared_ptr<const Clock> clock,
                             QObject* parent)
    : QObject(parent), source_(source), navigator_(navigator), live_(source, std::move(clock)) {
    connect(&live_, &LiveDisplay::changed, this, &FacePresenter::changed);
}

void FacePresenter::eject() { source_.dismiss(); }

}  // namespace quorvel
