#pragma once
// Banners through the desktop's notification service (org.freedesktop.Notifications on the
// session bus). The service counts as allowing banners when it answers. Calls are
// asynchronous; completions run on the thread of the Qt event loop. The notification settings
// are the desktop's own program for them (see NotificationSettingsTool), started detached.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/desktop/NotificationCenter.hpp"

namespace quorvel {

class FreedesktopNotificationCenter final : public NotificationCenter {
public:
    /// Where the notification settings program is looked for.
    struct SettingsLookup {
        /// XDG_CURRENT_DESKTOP.
        std::string currentDesktop;
        /// The folders to search; empty for those of PATH.
        QStringList folders;

        /// The running session's desktop and PATH.
        static SettingsLookup fromEnvironment();
    };

    /// Who the banners are from, as the desktop ties them to the app's launcher entry.
    struct Sender {
        /// The name the service shows ("Quorvel").
        QString appName;
        /// The themed icon's name; empty for none.
        QString iconName;
        /// The launcher entry's name without ".desktop" (the "desktop-entry" hint, by which
        /// a desktop lists the app in its notification settings); empty for none.
        QString desktopEntry;
    };

    /// Posts as `sender` on `connection`. Needs a Qt application object.
    explicit FreedesktopNotificationCenter(Sender sender,
                                           QDBusConnection connection = QDBusConnection::sessionBus(),
                                           SettingsLookup settingsLookup = SettingsLookup::fromEnvironment());
    ~FreedesktopNotificationCenter() override;

    void requestAuthorization(AuthorizationCompletion completion) override;
    void bannersAllowed(AllowedCompletion completion) override;
    void add(const Banner& banner, AddCompletion completion) override;
    /// CloseNotification with the number the service gave the banner.
    void remove(const std::string& identifier) override;
    /// Starts the first installed program of the desktop's tools; only a program that is there
    /// is started. Otherwise asks the service for its name (GetServerInformation).
    void openSettings(OpenSettingsCompletion completion) override;

    /// `text` with "&", "<" and ">" written as entities, for a service that reads markup.
    static QString markupEscaped(const QString& text);
    /// The "urgency" hint for a level: low (0) or normal (1). Never critical: services keep a
    /// critical notification until the user closes it, and every banner can go stale.
    static unsigned char urgency(Banner::InterruptionLevel level);

private:
    void notify(const Banner& banner, bool markup, AddCompletion completion);

    Sender sender_;
    QDBusConnection connection_;
    SettingsLookup settingsLookup_;
    /// The service's numbers of the banners shown, by their identifiers; until taken back.
    std::map<std::string, uint> shown_;
    /// Banners taken back before the service answered their Notify.
    std::set<std::string> removedWhilePending_;
    /// Banners added whose Notify awaits its answer.
    std::set<std::string> pending_;
    // Owns the pending calls: once it is gone no completion runs.
    std::unique_ptr<QObject> calls_;
};

}  // namespace quorvel
