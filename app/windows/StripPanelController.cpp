#include "app/windows/StripPanelController.hpp"

#include "app/windows/StripFace.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

StripPanelController::StripPanelController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                                           std::shared_ptr<const Clock> clock,
                                           std::function<void(QPoint)> contextMenu)
    : presenter_(model, clock),
      reduceMotion_(reduceMotion),
      clock_(std::move(clock)),
      contextMenu_(std::move(contextMenu)),
      host_(FaceWindowHost::Placement::topCentre, autosaveName, [this] { return makePanel(); }, defaults) {}

StripPanelController::~StripPanelController() = default;

std::unique_ptr<FaceWindow> StripPanelController::makePanel() {
    auto face = std::make_unique<StripFace>(presenter_, reduceMotion_, *clock_);
    StripFace& content = *face;
    auto panel = std::make_unique<FaceWindow>(FaceWindow::Kind::floatingPanel, std::move(face),
                                              QString::fromUtf8(Quorvel::displayName) + QStringLiteral(" strip"));
    panel->onCloseRequest([this] { presenter_.hide(); });
    panel->onContextMenu([this](QPoint at) {
        if (contextMenu_) contextMenu_(at);
    });
    panel->onShownChanged([this, &content](bool shown) {
        presenter_.live().setShown(shown);
        content.setShown(shown);
    });
    QObject::connect(&presenter_, &StripPresenter::changed, panel.get(), [&content] { content.refresh(); });
    return panel;
}

void StripPanelController::show() { host_.show(); }

void StripPanelController::hide() { host_.hide(); }

}  // namespace quorvel
