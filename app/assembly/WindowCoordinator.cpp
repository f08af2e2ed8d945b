#include "app/assembly/WindowCoordinator.hpp"

#include <QCoreApplication>
#include <QMetaObject>
#include <string>

#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StoredDefaults.hpp"

namespace quorvel {
namespace {

// Defaults keys.

}  // namespace

WindowCoordinator::WindowCoordinator(std::unique_ptr<WindowFactory> factory, std::shared_ptr<KeyValueStore> defaults,
                                     QObject* parent)
    : WindowNavigator(parent), factory_(std::move(factory)), defaults_(std::move(defaults)) {
    // Emitted once the event loop has ended, whatever ended it (Quit, a signal, log-out): the
    // windows Qt closes then must not be stored as hidden.
    if (QCoreApplication* app = QCoreApplication::instance()) {
        connect(app, &QCoreApplication::aboutToQuit, this, &WindowCoordinator::appEnding);
    }
    const auto later = [this](auto work) { QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection); };
    // Only a stored Boolean false hides the device window; no value or any other keeps it.
    if (defaults_->value(StoredDefaults::deviceVisible) != std::optional<bool>(false)) {
        later([this] { setDeviceVisible(true); });
    }
    if (defaults_->value(StoredDefaults::stripVisible).value_or(false)) later([this] { setStripVisible(true); });
    if (!defaults_->value(StoredDefaults::setupShown).value_or(false)) later([this] { showSetup(); });
}

WindowCoordinator::~WindowCoordinator() = default;

void WindowCoordinator::setDeviceVisible(bool visible) {
    setFaceVisible(visible, deviceWindow_, &WindowCoordinator::deviceWindow, StoredDefaults::deviceVisible,
                   deviceVisible_);
}

void WindowCoordinator::setStripVisible(bool visible) {
    setFaceVisible(visible, stripPanel_, &WindowCoordinator::stripPanel, StoredDefaults::stripVisible, stripVisible_);
}

void WindowCoordinator::setFaceVisible(bool visible, std::unique_ptr<WindowHost>& window,
                                       WindowHost& (WindowCoordinator::*made)(), DefaultsKey<bool> key, bool& shown) {
    if (ending_) return;
    if (visible) {
        (this->*made)().show();
    } else if (window) {
        window->hide();
    }
    defaults_->set(key, visible);
    if (visible == shown) return;
    shown = visible;
    emit visibilityChanged();
}

void WindowCoordinator::showSettings() {
    if (!ending_) settingsWindow().show();
}

void WindowCoordinator::showSetup() {
    if (!ending_) setupWindow().show();
}

void WindowCoordinator::showFinished() {
    if (!ending_) finishedWindow().show();
}

void WindowCoordinator::finishSetup() {
    defaults_->set(StoredDefaults::setupShown, true);
    if (setupWindow_) setupWindow_->hide();
}

WindowHost& WindowCoordinator::deviceWindow() {
    if (!deviceWindow_) deviceWindow_ = factory_->makeDeviceWindow(*this);
    return *deviceWindow_;
}

WindowHost& WindowCoordinator::stripPanel() {
    if (!stripPanel_) stripPanel_ = factory_->makeStripPanel(*this);
    return *stripPanel_;
}

WindowHost& WindowCoordinator::hosted(std::unique_ptr<WindowHost>& window, const WindowFactory::HostedWindowSpec& spec) {
    if (!window) window = factory_->makeHostedWindow(spec, *this);
    return *window;
}

WindowHost& WindowCoordinator::settingsWindow() {
    return hosted(settingsWindow_, {WindowFactory::HostedWindowSpec::Content::settings,
                                    std::string(Quorvel::displayName) + " settings", "QuorvelSettings"});
}

WindowHost& WindowCoordinator::setupWindow() {
    return hosted(setupWindow_, {WindowFactory::HostedWindowSpec::Content::setup,
                                 "Set up " + std::string(Quorvel::displayName), "QuorvelSetup"});
}

WindowHost& WindowCoordinator::finishedWindow() {
    return hosted(finishedWindow_, {WindowFactory::HostedWindowSpec::Content::finished, "Finished", "QuorvelFinished"});
}

}  // namespace quorvel
