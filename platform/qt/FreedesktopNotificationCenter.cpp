#include "platform/qt/FreedesktopNotificationCenter.hpp"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace quorvel {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage methodCall(const QString& method) {
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

DesktopError noBus(const QDBusConnection& connection) {
    const QString reason = connection.lastError().message();
    return DesktopError{reason.isEmpty() ? std::string("No D-Bus session bus")
                                         : "No D-Bus session bus: " + reason.toStdString()};
}

DesktopError errorOf(const QDBusError& error) {
    const QString text = error.message().isEmpty() ? error.name() : error.message();
    return DesktopError{text.toStdString()};
}

// Calls `method` and hands the finished call to `finished`, on `owner`'s thread.
template <typename Finished>
void callAsync(QDBusConnection& connection, QObject* owner, const QDBusMessage& message, Finished finished) {
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(message), owner);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, owner,
                     [watcher, finished = std::move(finished)]() mutable {
                         watcher->deleteLater();
                         finished(*watcher);
                     });
}

}  // namespace

FreedesktopNotificationCenter::FreedesktopNotificationCenter(QString appName, QDBusConnection connection)
    : appName_(std::move(appName)), connection_(std::move(connection)), calls_(std::make_unique<QObject>()) {}

FreedesktopNotificationCenter::~FreedesktopNotificationCenter() = default;

QString FreedesktopNotificationCenter::markupEscaped(const QString& text) {
    QString escaped;
    escaped.reserve(text.size());
    for (const QChar character : text) {
        if (character == u'&') {
            escaped += QStringLiteral("&amp;");
        } else if (character == u'<') {
            escaped += QStringLiteral("&lt;");
        } else if (character == u'>') {
            escaped += QStringLiteral("&gt;");
        } else {
            escaped += character;
        }
    }
    return escaped;
}

unsigned char FreedesktopNotificationCenter::urgency(Banner::InterruptionLevel level) {
    switch (level) {
        case Banner::InterruptionLevel::passive: return 0;
        case Banner::InterruptionLevel::active: return 1;
        case Banner::InterruptionLevel::timeSensitive: return 2;
    }
    return 1;
}

void FreedesktopNotificationCenter::requestAuthorization(AuthorizationCompletion completion) {
    // The desktop asks nobody's permission for banners: an answering service is the grant.
    if (!connection_.isConnected()) {
        completion(unexpected(noBus(connection_)));
        return;
    }
    callAsync(connection_, calls_.get(), methodCall(QStringLiteral("GetServerInformation")),
              [completion = std::move(completion)](QDBusPendingCallWatcher& call) {
                  if (call.isError()) {
                      completion(unexpected(errorOf(call.error())));
                  } else {
                      completion(true);
                  }
              });
}

void FreedesktopNotificationCenter::bannersAllowed(AllowedCompletion completion) {
    if (!connection_.isConnected()) {
        completion(false);
        return;
    }
    callAsync(connection_, calls_.get(), methodCall(QStringLiteral("GetServerInformation")),
              [completion = std::move(completion)](QDBusPendingCallWatcher& call) { completion(!call.isError()); });
}

void FreedesktopNotificationCenter::add(const Banner& banner, AddCompletion completion) {
    if (!connection_.isConnected()) {
        completion(unexpected(noBus(connection_)));
        return;
    }
    // Markup is escaped only for a service that reads it; any other shows the text as sent.
    callAsync(connection_, calls_.get(), methodCall(QStringLiteral("GetCapabilities")),
              [this, banner, completion = std::move(completion)](QDBusPendingCallWatcher& call) mutable {
                  const QDBusPendingReply<QStringList> capabilities = call;
                  const bool markup = !capabilities.isError() &&
                                      capabilities.value().contains(QStringLiteral("body-markup"));
                  notify(banner, markup, std::move(completion));
              });
}

void FreedesktopNotificationCenter::notify(const Banner& banner, bool markup, AddCompletion completion) {
    const QString body = QString::fromStdString(banner.body);
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(urgency(banner.interruptionLevel)));
    // The app plays its own alert sounds.
    hints.insert(QStringLiteral("suppress-sound"), true);
    QDBusMessage message = methodCall(QStringLiteral("Notify"));
    message << appName_ << 0u << QString() << QString::fromStdString(banner.title)
            << (markup ? markupEscaped(body) : body) << QStringList() << hints << -1;
    callAsync(connection_, calls_.get(), message, [completion = std::move(completion)](QDBusPendingCallWatcher& call) {
        if (call.isError()) {
            completion(unexpected(errorOf(call.error())));
        } else {
            completion({});
        }
    });
}

void FreedesktopNotificationCenter::openSettings() {
    const std::pair<QString, QStringList> candidates[] = {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("notifications")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_notifications")}},
        {QStringLiteral("xfce4-notifyd-config"), {}},
    };
    for (const auto& [program, arguments] : candidates) {
        if (QProcess::startDetached(program, arguments)) return;
    }
}

}  // namespace quorvel
