#pragma once
// Banners through the desktop's notification service (org.freedesktop.Notifications on the
// session bus). The service counts as allowing banners when it answers. Calls are
// asynchronous; completions run on the thread of the Qt event loop. The notification settings
// are the desktop's own program for them (see NotificationSettingsTool), started detached.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>

#include "platform/NotificationCenter.hpp"

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
    /// Starts the first installed program of the desktop's tools; only a program that is there
    /// is started. Otherwise asks the service for its name (GetServerInformation).
    void openSettings(OpenSettingsCompletion completion) override;

    /// `text` with "&", "<" and ">" written as entities, for a service that reads markup.
    static QString markupEscaped(const QString& text);
    /// The "urgency" hint for a level: low (0), normal (1) or critical (2).
    static unsigned char urgency(Banner::InterruptionLevel level);

private:
    void notify(const Banner& banner, bool markup, AddCompletion completion);

    Sender sender_;
    QDBusConnection connection_;
    SettingsLookup settingsLookup_;
    // Owns the pending calls: once it is gone no completion runs.
    std::unique_ptr<QObject> calls_;
};

}  // namespace quorvel
