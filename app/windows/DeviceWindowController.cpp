#include "app/windows/DeviceWindowController.hpp"

#include "app/windows/DeviceFace.hpp"
#include "app/windows/LiveFaceWindow.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

DeviceWindowController::DeviceWindowController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                                               std::shared_ptr<const Clock> clock,
                                               WindowLinks links)
    : presenter_(model, clock),
      reduceMotion_(reduceMotion),
      clock_(std::move(clock)),
      links_(std::move(links)),
      host_(FaceWindowHost::Placement::centred, autosaveName, [this] { return makeWindow(); }, defaults) {}

DeviceWindowController::~DeviceWindowController() = default;

std::unique_ptr<FaceWindow> DeviceWindowController::makeWindow() {
    return makeLiveFaceWindow(FaceWindow::Kind::window, QString::fromUtf8(Quorvel::displayName), presenter_,
                              std::make_unique<DeviceFace>(presenter_, reduceMotion_, *clock_), links_);
}

void DeviceWindowController::show() { host_.show(); }

void DeviceWindowController::hide() { host_.hide(); }

}  // namespace quorvel
