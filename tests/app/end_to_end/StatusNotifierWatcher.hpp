#pragma once
// The desktop's tray host, as far as Qt asks for one: with it on the bus the app puts its
// menu-bar menu on the bus (as a StatusNotifierItem with a com.canonical.dbusmenu menu), where
// the test can read it and click its items as a tray would.
#include <QObject>
#include <QString>
#include <QStringList>

namespace quorvel {

class StatusNotifierWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ isStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredStatusNotifierItems)

public:
    QStringList items;

    bool isStatusNotifierHostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList registeredStatusNotifierItems() const { return items; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) {
        items.push_back(service);
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();
};

}  // namespace quorvel
