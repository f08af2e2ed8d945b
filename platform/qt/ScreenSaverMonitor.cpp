#include "platform/qt/ScreenSaverMonitor.hpp"

#include <QString>
#include <utility>

namespace quorvel {
namespace {

const QString signalName = QStringLiteral("ActiveChanged");
const QString interfaces[] = {QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("org.gnome.ScreenSaver")};

}  // namespace

ScreenSaverMonitor::ScreenSaverMonitor(QDBusConnection connection) : connection_(std::move(connection)) {}

ScreenSaverMonitor::~ScreenSaverMonitor() {
    if (!handler_ || !connection_.isConnected()) return;
    for (const QString& interface : interfaces) {
        connection_.disconnect(QString(), QString(), interface, signalName, this, SLOT(activeChanged(bool)));
    }
}

void ScreenSaverMonitor::start(Handler handler) {
    handler_ = std::move(handler);
    if (!connection_.isConnected()) return;
    for (const QString& interface : interfaces) {
        connection_.connect(QString(), QString(), interface, signalName, this, SLOT(activeChanged(bool)));
    }
}

void ScreenSaverMonitor::activeChanged(bool active) {
    if (handler_) handler_(active ? Event::screenLocked : Event::screenUnlocked);
}

}  // namespace quorvel
