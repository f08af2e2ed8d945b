#include "app/windows/DeviceWindowController.hpp"

#include "app/windows/DeviceFace.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

DeviceWindowController::DeviceWindowController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                                               std::shared_ptr<const Clock> clock,
                                               std::function<void(QPoint)> contextMenu)
    : presenter_(model, clock),
      reduceMotion_(reduceMotion),
      clock_(std::move(clock)),
      contextMenu_(std::move(contextMenu)),
      host_(FaceWindowHost::Placement::centred, autosaveName, [this] { return makeWindow(); }, defaults) {}

DeviceWindowController::~DeviceWindowController() = default;

std::unique_ptr<FaceWindow> DeviceWindowController::makeWindow() {
    auto face = std::make_unique<DeviceFace>(presenter_, reduceMotion_, *clock_);
    DeviceFace& content = *face;
    auto window = std::make_unique<FaceWindow>(FaceWindow::Kind::window, std::move(face),
                                               QString::fromUtf8(Quorvel::displayName));
    window->onCloseRequest([this] { presenter_.hide(); });
    window->onContextMenu([this](QPoint at) {
        if (contextMenu_) contextMenu_(at);
    });
    window->onShownChanged([this, &content](bool shown) {
        presenter_.live().setShown(shown);
        content.setShown(shown);
    });
    QObject::connect(&presenter_, &DevicePresenter::changed, window.get(), [&content] { content.refresh(); });
    return window;
}

void DeviceWindowController::show() { host_.show(); }

void DeviceWindowController::hide() { host_.hide(); }

}  // namespace quorvel
