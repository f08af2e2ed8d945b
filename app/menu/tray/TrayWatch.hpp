#pragma once
// Where the desktop shows no tray (stock GNOME needs an extension for one), the tray menu,
// and with it everything it opens, is out of reach. The watch asks whether a tray is there
// at start and every few seconds after; when there is none it says so in the log (once) and,
// if neither the device nor the strip is on screen, shows the device, whose context menu is
// the same menu, so the user is never left with nothing on screen and no way in. Main thread.
#include <QObject>
#include <QTimer>
#include <functional>
#include <optional>

#include "app/windows/hosting/WindowNavigator.hpp"
#include "platform/logging/Logger.hpp"

namespace quorvel {

class TrayWatch final : public QObject {
    Q_OBJECT

public:
    static constexpr int pollMilliseconds = 5000;

    /// `navigator` must outlive the watch; `trayAvailable` answers whether a tray is there now.
    /// The first look comes after the work queued so far (the start-up), so the windows it
    /// restores count.
    TrayWatch(WindowNavigator& navigator, std::function<bool()> trayAvailable, QObject* parent = nullptr);

    /// Looks again now.
    void check();
    /// What the last look found; absent before the first.
    std::optional<bool> available() const { return available_; }

private:
    WindowNavigator& navigator_;
    std::function<bool()> trayAvailable_;
    QTimer poll_;
    Logger logger_;
    std::optional<bool> available_;
    bool told_ = false;
};

}  // namespace quorvel
