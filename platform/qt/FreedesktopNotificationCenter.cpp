#include "platform/qt/FreedesktopNotificationCenter.hpp"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>
#include <utility>
#include <vector>

#include "platform/desktop/NotificationSettingsTool.hpp"

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

FreedesktopNotificationCenter::SettingsLookup FreedesktopNotificationCenter::SettingsLookup::fromEnvironment() {
    return SettingsLookup{qEnvironmentVariable("XDG_CURRENT_DESKTOP").toStdString(), {}};
}

FreedesktopNotificationCenter::FreedesktopNotificationCenter(Sender sender, QDBusConnection connection,
                                                             SettingsLookup settingsLookup)
    : sender_(std::move(sender)),
      connection_(std::move(connection)),
      settingsLookup_(std::move(settingsLookup)),
      calls_(std::make_unique<QObject>()) {}

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
        case Banner::InterruptionLevel::active:
        case Banner::InterruptionLevel::timeSensitive: return 1;
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
    pending_.insert(banner.identifier);
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
    if (!sender_.desktopEntry.isEmpty()) hints.insert(QStringLiteral("desktop-entry"), sender_.desktopEntry);
    QDBusMessage message = methodCall(QStringLiteral("Notify"));
    message << sender_.appName << 0u << sender_.iconName << QString::fromStdString(banner.title)
            << (markup ? markupEscaped(body) : body) << QStringList() << hints << -1;
    callAsync(connection_, calls_.get(), message,
              [this, identifier = banner.identifier, completion = std::move(completion)](QDBusPendingCallWatcher& call) {
                  pending_.erase(identifier);
                  const bool removed = removedWhilePending_.erase(identifier) > 0;
                  if (call.isError()) {
                      completion(unexpected(errorOf(call.error())));
                      return;
                  }
                  const QDBusPendingReply<uint> number = call;
                  if (!number.isError()) {
                      shown_[identifier] = number.value();
                      if (removed) remove(identifier);
                  }
                  completion({});
              });
}

void FreedesktopNotificationCenter::remove(const std::string& identifier) {
    if (pending_.contains(identifier)) {
        removedWhilePending_.insert(identifier);
        return;
    }
    const auto shown = shown_.find(identifier);
    if (shown == shown_.end()) return;
    const uint number = shown->second;
    shown_.erase(shown);
    if (!connection_.isConnected()) return;
    QDBusMessage message = methodCall(QStringLiteral("CloseNotification"));
    message << number;
    // The service may have let the banner go already; either way nothing more is to be done.
    connection_.send(message);
}

void FreedesktopNotificationCenter::openSettings(OpenSettingsCompletion completion) {
    const std::string& desktop = settingsLookup_.currentDesktop;
    const std::vector<NotificationSettingsTool> tools = NotificationSettingsTool::forDesktop(desktop);
    std::string reason;
    if (tools.empty()) {
        reason = desktop.empty() ? "the desktop doesn't name itself (XDG_CURRENT_DESKTOP is empty)"
                                 : "no notification settings program is known for the desktop " + desktop;
    }
    std::string missing;
    for (const NotificationSettingsTool& tool : tools) {
        const QString program =
            QStandardPaths::findExecutable(QString::fromStdString(tool.program), settingsLookup_.folders);
        if (program.isEmpty()) {
            missing += (missing.empty() ? "" : ", ") + tool.program;
            continue;
        }
        QStringList arguments;
        for (const std::string& argument : tool.arguments) arguments << QString::fromStdString(argument);
        if (QProcess::startDetached(program, arguments)) {
            completion(tool.commandLine());
            return;
        }
        reason = "couldn't start " + program.toStdString();
    }
    if (reason.empty()) reason = "none of the desktop's notification settings programs is installed (" + missing + ")";

    if (!connection_.isConnected()) {
        completion(unexpected(SettingsUnavailable{reason, std::nullopt}));
        return;
    }
    callAsync(connection_, calls_.get(), methodCall(QStringLiteral("GetServerInformation")),
              [reason, completion = std::move(completion)](QDBusPendingCallWatcher& call) {
                  const QDBusPendingReply<QString, QString, QString, QString> information = call;
                  std::optional<std::string> name;
                  if (!information.isError() && !information.argumentAt<0>().isEmpty()) {
                      name = information.argumentAt<0>().toStdString();
                  }
                  completion(unexpected(SettingsUnavailable{reason, name}));
              });
}

}  // namespace quorvel
