#pragma once
// The compact strip panel: made on its first show and kept, a tool panel above other
// windows on every workspace that never takes focus and stays out of the taskbar and the
// pager. The first time it sits centred just under the top of the main screen, and it goes
// back there whenever it has drifted off every screen. Redraws from its presenter, never
// while hidden; a close from the window manager hides it through the model. Main thread.
#include <QPoint>
#include <functional>
#include <memory>

#include "app/model/WindowHost.hpp"
#include "app/windows/FaceWindowHost.hpp"
#include "app/windows/WindowLinks.hpp"
#include "app/windows/StripPresenter.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/ReduceMotion.hpp"

namespace quorvel {

class AppModel;

class StripPanelController final : public WindowHost {
public:
    static constexpr const char* autosaveName = "QuorvelCompactStrip";

    /// As for the device window.
    StripPanelController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                           std::shared_ptr<const Clock> clock,
                         WindowLinks links);
    ~StripPanelController() override;

    void show() override;
    void hide() override;

    /// Null until first shown.
    FaceWindow* panel() const { return host_.window(); }
    StripPresenter& presenter() { return presenter_; }

private:
    std::unique_ptr<FaceWindow> makePanel();

    StripPresenter presenter_;
    ReduceMotion& reduceMotion_;
    std::shared_ptr<const Clock> clock_;
    WindowLinks links_;
    FaceWindowHost host_;
};

}  // namespace quorvel
