#include "app/assembly/QtWindowFactory.hpp"

#include <QGuiApplication>

#include "app/windows/device/PaintedWindowController.hpp"
#include "app/windows/finished/FinishedView.hpp"
#include "app/windows/hosting/HostedWindow.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "app/windows/setup/SetupView.hpp"
#include "platform/qt/DesktopReduceMotion.hpp"

namespace quorvel {

QtWindowFactory::QtWindowFactory(AppModelSources& sources, std::shared_ptr<KeyValueStore> defaults, WindowLinks links)
    : sources_(sources), defaults_(std::move(defaults)), links_(std::move(links)) {}

QtWindowFactory::~QtWindowFactory() = default;

ReduceMotion& QtWindowFactory::reduceMotion() {
    if (!reduceMotion_) {
        // Without a display there is no desktop to ask, and nothing moves on screen anyway.
        if (QGuiApplication::platformName() == QLatin1String("offscreen")) {
            reduceMotion_ = std::make_unique<FixedReduceMotion>(false);
        } else {
            reduceMotion_ = std::make_unique<DesktopReduceMotion>();
        }
    }
    return *reduceMotion_;
}

std::unique_ptr<WindowHost> QtWindowFactory::makeDeviceWindow(WindowNavigator& navigator) {
    return std::make_unique<DeviceWindowController>(deviceWindowLook, sources_.device(), navigator, *defaults_,
                                                    reduceMotion(), clock_, links_);
}

std::unique_ptr<WindowHost> QtWindowFactory::makeStripPanel(WindowNavigator& navigator) {
    return std::make_unique<StripPanelController>(stripPanelLook, sources_.device(), navigator, *defaults_,
                                                  reduceMotion(), clock_, links_);
}

std::unique_ptr<WindowHost> QtWindowFactory::makeHostedWindow(const HostedWindowSpec& spec, WindowNavigator& navigator) {
    HostedWindow::Make make;
    switch (spec.content) {
        case HostedWindowSpec::Content::settings:
            make = [&source = sources_.settings()] { return std::make_unique<SettingsView>(source); };
            break;
        case HostedWindowSpec::Content::setup:
            make = [&source = sources_.setup(), &navigator] { return std::make_unique<SetupView>(source, navigator); };
            break;
        case HostedWindowSpec::Content::finished:
            make = [&source = sources_.finished(), clock = clock_] {
                return std::make_unique<FinishedView>(source, clock);
            };
            break;
    }
    return std::make_unique<HostedWindow>(spec.title, spec.autosaveName, std::move(make), *defaults_,
                                          links_.menuCommand);
}

}  // namespace quorvel
