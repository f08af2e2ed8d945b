#include "app/windows/setup/SetupPresenter.hpp"

namespace quorvel {

SetupPresenter::SetupPresenter(SetupSource& source, WindowNavigator& navigator, QObject* parent)
    : QObject(parent), source_(source), navigator_(navigator), snapshot_(source.setupSnapshot()) {
    connect(&source_, &SetupSource::changed, this, &SetupPresenter::refresh);
}

void SetupPresenter::refresh() {
    const SetupSnapshot next = source_.setupSnapshot();
    if (next == snapshot_) return;
    snapshot_ = next;
    emit changed();
}

void SetupPresenter::toggleHooks() {
    if (snapshot_.hooksInstalled) source_.removeHooks();
    else source_.installHooks();
}

void SetupPresenter::toggleLaunchAtLogin() { source_.setLaunchAtLogin(!snapshot_.launchAtLoginEnabled); }

void SetupPresenter::openNotificationSettings() { source_.openNotificationSettings(); }

void SetupPresenter::openSettings() { navigator_.showSettings(); }

void SetupPresenter::done() { navigator_.finishSetup(); }

}  // namespace quorvel
