#pragma once
// The model's test bed with the window side the app builds over it: the surfaces' sources
// and the window coordinator, with recording windows or, when asked, the app's real ones.
#include <memory>

#include "app/assembly/AppModelSources.hpp"
#include "app/assembly/QtWindowFactory.hpp"
#include "app/assembly/WindowCoordinator.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/app/windows/RecordingWindowFactory.hpp"

namespace quorvel::testing {

class AppWindowsTestbed : public AppModelTestbed {
public:
    /// Set before `make`: the app's real windows (reaching the menu through `links`) rather
    /// than recording ones.
    bool realWindows = false;
    WindowLinks links;
    /// What the recording windows went through.
    WindowRecord windowRecord;
    std::unique_ptr<AppModelSources> sources;
    std::unique_ptr<WindowCoordinator> windows;

    ~AppWindowsTestbed() { reset(); }

    /// The model with the windows over it, made in the app's order (the coordinator's
    /// windows come up after the model's start-up), and, unless told otherwise, both run.
    AppModel& make(bool runStartUp = true) {
        AppModel& made = AppModelTestbed::make(false);
        sources = std::make_unique<AppModelSources>(made);
        std::unique_ptr<WindowFactory> factory;
        if (realWindows) {
            factory = std::make_unique<QtWindowFactory>(*sources, defaults, links);
        } else {
            factory = std::make_unique<RecordingWindowFactory>(windowRecord);
        }
        windows = std::make_unique<WindowCoordinator>(std::move(factory), defaults);
        if (runStartUp) settle();
        return made;
    }

    /// The windows, then what they show, then the model.
    void reset() {
        windows.reset();
        sources.reset();
        model.reset();
    }
};

}  // namespace quorvel::testing
