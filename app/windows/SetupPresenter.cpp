#include "app/windows/SetupPresenter.hpp"

#include "app/model/AppModel.hpp"

namespace quorvel {

SetupSnapshot SetupPresenter::snapshotOf(const AppModel& model) {
    SetupSnapshot snapshot;
    snapshot.hooksInstalled = model.hookStatus().kind == HookInstaller::Status::Kind::installed;
    snapshot.launchAtLoginEnabled = model.launchAtLogin() == LaunchAtLogin::Status::enabled;
    snapshot.bannersAllowed = model.bannersAllowed();
    snapshot.hasAPNsKey = model.apnsKeyID().has_value();
    snapshot.notificationSettingsNote = model.notificationSettingsNote();
    return snapshot;
}

SetupPresenter::SetupPresenter(AppModel& model, QObject* parent)
    : QObject(parent), model_(model), snapshot_(snapshotOf(model)) {
    for (auto signal : {&AppModel::hookStatusChanged, &AppModel::launchAtLoginChanged,
                        &AppModel::bannersAllowedChanged, &AppModel::apnsKeyIDChanged,
                        &AppModel::notificationSettingsNoteChanged}) {
        connect(&model_, signal, this, &SetupPresenter::refresh);
    }
}

void SetupPresenter::refresh() {
    const SetupSnapshot next = snapshotOf(model_);
    if (next == snapshot_) return;
    snapshot_ = next;
    emit changed();
}

void SetupPresenter::toggleHooks() {
    if (snapshot_.hooksInstalled) model_.removeHooks();
    else model_.installHooks();
}

void SetupPresenter::toggleLaunchAtLogin() { model_.setLaunchAtLogin(!snapshot_.launchAtLoginEnabled); }

void SetupPresenter::openNotificationSettings() { model_.openNotificationSettings(); }

void SetupPresenter::openSettings() { model_.settingsWindow().show(); }

void SetupPresenter::done() {
    model_.markSetupShown();
    model_.setupWindow().hide();
}

}  // namespace quorvel
