#pragma once
// Banners through the desktop's notification service (org.freedesktop.Notifications on the
// session bus). The service counts as allowing banners when it answers. Calls are
// asynchronous; completions run on the thread of the Qt event loop.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

#include "platform/NotificationCenter.hpp"

namespace quorvel {

class FreedesktopNotificationCenter final : public NotificationCenter {
public:
    /// Posts as `appName` on `connection`. Needs a Qt application object.
    explicit FreedesktopNotificationCenter(QString appName,
                                           QDBusConnection connection = QDBusConnection::sessionBus());
    ~FreedesktopNotificationCenter() override;

    void requestAuthorization(AuthorizationCompletion completion) override;
    void bannersAllowed(AllowedCompletion completion) override;
    void add(const Banner& banner, AddCompletion completion) override;
    /// Starts the first of the GNOME, KDE and Xfce notification settings that is installed.
    void openSettings() override;

    /// `text` with "&", "<" and ">" written as entities, for a service that reads markup.
    static QString markupEscaped(const QString& text);
    /// The "urgency" hint for a level: low (0), normal (1) or critical (2).
    static unsigned char urgency(Banner::InterruptionLevel level);

private:
    void notify(const Banner& banner, bool markup, AddCompletion completion);

    QString appName_;
    QDBusConnection connection_;
    // Owns the pending calls: once it is gone no completion runs.
    std::unique_ptr<QObject> calls_;
};

}  // namespace quorvel
