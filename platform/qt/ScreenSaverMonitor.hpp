#pragma once
// Screen lock and unlock as the desktop's screen saver announces them on the session bus:
// the "ActiveChanged" signal of org.freedesktop.ScreenSaver (KDE, Xfce and others) and of
// org.gnome.ScreenSaver (GNOME), from any sender and any object path.
#include <QDBusConnection>
#include <QObject>

#include "platform/desktop/ScreenStateMonitor.hpp"

namespace quorvel {

class ScreenSaverMonitor final : public QObject, public ScreenStateMonitor {
    Q_OBJECT

public:
    /// Listens on `connection` (unless it is not connected: then nothing is ever reported).
    /// Needs a Qt application object.
    explicit ScreenSaverMonitor(QDBusConnection connection = QDBusConnection::sessionBus());
    ~ScreenSaverMonitor() override;

    void start(Handler handler) override;

private slots:
    void activeChanged(bool active);

private:
    QDBusConnection connection_;
    Handler handler_;
};

}  // namespace quorvel
