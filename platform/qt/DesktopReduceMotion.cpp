#include "platform/qt/DesktopReduceMotion.hpp"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace quorvel {
namespace {

const QString service = QStringLiteral("org.freedesktop.portal.Desktop");
const QString path = QStringLiteral("/org/freedesktop/portal/desktop");
const QString interface = QStringLiteral("org.freedesktop.portal.Settings");
const QString group = QStringLiteral("org.gnome.desktop.interface");
const QString key = QStringLiteral("enable-animations");

// "Read" wraps the value in a variant inside a variant; each layer may arrive as a
// QDBusVariant or, demarshalled once more, as a plain QVariant.
QVariant unwrapped(QVariant value) {
    for (int depth = 0; depth < 4; ++depth) {
        if (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>()) {
            value = value.value<QDBusVariant>().variant();
        } else if (value.userType() == qMetaTypeId<QDBusArgument>()) {
            const auto argument = value.value<QDBusArgument>();
            if (argument.currentType() != QDBusArgument::VariantType) break;
            QDBusVariant inner;
            argument >> inner;
            value = inner.variant();
        } else {
            break;
        }
    }
    return value;
}

}  // namespace

DesktopReduceMotion::DesktopReduceMotion(QDBusConnection connection) : connection_(std::move(connection)) {
    if (!connection_.isConnected()) return;
    subscribed_ = connection_.connect(service, path, interface, QStringLiteral("SettingChanged"), this,
                                      SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Read"));
    read << group << key;
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(read, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        call->deleteLater();
        const QDBusPendingReply<QVariant> reply = *call;
        if (reply.isError()) return;  // no portal, or no such key: motion stays as it is
        apply(reducesMotion(reply.value()));
    });
}

DesktopReduceMotion::~DesktopReduceMotion() {
    if (subscribed_) {
        connection_.disconnect(service, path, interface, QStringLiteral("SettingChanged"), this,
                               SLOT(settingChanged(QString, QString, QDBusVariant)));
    }
}

bool DesktopReduceMotion::reducesMotion(const QVariant& enableAnimations) {
    const QVariant value = unwrapped(enableAnimations);
    return value.userType() == QMetaType::Bool && !value.toBool();
}

void DesktopReduceMotion::settingChanged(const QString& changedGroup, const QString& changedKey,
                                         const QDBusVariant& value) {
    if (changedGroup != group || changedKey != key) return;
    apply(reducesMotion(value.variant()));
}

void DesktopReduceMotion::apply(bool on) {
    if (on == on_) return;
    on_ = on;
    notifyObservers();
}

}  // namespace quorvel
