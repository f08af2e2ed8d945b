#include "app/windows/StripPanelController.hpp"

#include "app/windows/StripFace.hpp"
#include "app/windows/LiveFaceWindow.hpp"
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
    return makeLiveFaceWindow(FaceWindow::Kind::floatingPanel,
                              QString::fromUtf8(Quorvel::displayName) + QStringLiteral(" strip"), presenter_,
                              std::make_unique<StripFace>(presenter_, reduceMotion_, *clock_), contextMenu_);
}

void StripPanelController::show() { host_.show(); }

void StripPanelController::hide() { host_.hide(); }

}  // namespace quorvel
