#include "app/menu/tray/TrayWatch.hpp"

#include "kit/engine/Quorvel.hpp"

namespace quorvel {

TrayWatch::TrayWatch(WindowNavigator& navigator, std::function<bool()> trayAvailable, QObject* parent)
    : QObject(parent), navigator_(navigator), trayAvailable_(std::move(trayAvailable)), logger_(Quorvel::macBundleID, "App") {
    poll_.setInterval(pollMilliseconds);
    connect(&poll_, &QTimer::timeout, this, &TrayWatch::check);
    QMetaObject::invokeMethod(
        this, [this] {
            check();
            poll_.start();
        },
        Qt::QueuedConnection);
}

void TrayWatch::check() {
    const bool available = trayAvailable_ && trayAvailable_();
    const bool lost = !available && available_ != std::optional<bool>(false);
    available_ = available;
    if (!lost) return;
    if (!told_) {
        told_ = true;
        logger_.notice("No system tray found: the menu opens from the device and the strip (right click)");
    }
    if (!navigator_.deviceVisible() && !navigator_.stripVisible()) navigator_.setDeviceVisible(true);
}

}  // namespace quorvel
