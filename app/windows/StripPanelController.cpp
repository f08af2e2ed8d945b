#include "app/windows/StripPanelController.hpp"

#include "app/windows/StripFace.hpp"
#include "app/windows/LiveFaceWindow.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel {

StripPanelController::StripPanelController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                                           std::shared_ptr<const Clock> clock,
                                           WindowLinks links)
    : presenter_(model, clock),
      reduceMotion_(reduceMotion),
      clock_(std::move(clock)),
      links_(std::move(links)),
      host_(FaceWindowHost::Placement::topCentre, autosaveName, [this] { return makePanel(); }, defaults) {}

StripPanelController::~StripPanelController() = default;

std::unique_ptr<FaceWindow> StripPanelController::makePanel() {
    return makeLiveFaceWindow(FaceWindow::Kind::floatingPanel,
                              QString::fromUtf8(Quorvel::displayName) + QStringLiteral(" strip"), presenter_,
                              std::make_unique<StripFace>(presenter_, reduceMotion_, *clock_), links_);
}

void StripPanelController::show() { host_.show(); }

void StripPanelController::hide() { host_.hide(); }

}  // namespace quorvel
