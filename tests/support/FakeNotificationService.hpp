#pragma once
// The desktop's notification service (org.freedesktop.Notifications), as far as the app
// uses it, for a test to put on a session bus of its own: it records every notification it
// is sent and every one it is asked to close, and can be told which capabilities to claim and
// to refuse notifications.
// Q_OBJECT: a suite that includes it lists this header among its sources, so moc sees it.
#include <QDBusContext>
#include <QDBusError>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <vector>

namespace quorvel::testing {

class FakeNotificationService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notification {
        QString appName;
        uint replacesID = 0;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout = 0;
    };

    QStringList capabilities{QStringLiteral("body")};
    /// When set, every notification is refused with this text.
    QString refusal;
    std::vector<Notification> notifications;
    /// The numbers of the notifications closed, in order (Notify numbers them from 1).
    std::vector<uint> closed;

public slots:
    QStringList GetCapabilities() { return capabilities; }

    uint Notify(const QString& appName, uint replacesID, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout) {
        if (!refusal.isEmpty()) {
            sendErrorReply(QDBusError::LimitsExceeded, refusal);
            return 0;
        }
        notifications.push_back({appName, replacesID, icon, summary, body, actions, hints, timeout});
        return static_cast<uint>(notifications.size());
    }

    void CloseNotification(uint id) { closed.push_back(id); }

    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("Quorvel tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("fake");
    }
};

}  // namespace quorvel::testing
