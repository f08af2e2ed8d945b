#pragma once
// The app as the tray menu sees it: what the menu lists at a moment and the icon's symbol,
// and what its items ask of the app (the windows' items go to the window navigator).
// Main thread.
#include <QObject>
#include <string>

#include "app/menu/MenuBarMenu.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class MenuSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    /// What the menu shows at `now`; the windows' switches are left for the navigator.
    virtual MenuBarMenu::Snapshot menuSnapshot(Instant now) const = 0;
    /// The name of the icon's symbol, after the focus session's state.
    virtual std::string menuBarSymbol() const = 0;

    virtual void setMuted(bool muted) = 0;
    virtual void openNotificationSettings() = 0;
    virtual void installHooks() = 0;
    virtual void installHooksRecording() = 0;
    virtual void removeHooks() = 0;
    virtual void setLaunchAtLogin(bool enabled) = 0;
    virtual void openRecordingsFolder() = 0;
    /// Runs the installed helper with "--simulate" `state`.
    virtual void simulate(const std::string& state) = 0;

signals:
    /// Something the app holds changed; the menu may or may not differ.
    void changed();
};

}  // namespace quorvel
