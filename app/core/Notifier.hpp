#pragma once
// The app's own banners for the alerts that need the user: a run is done, an agent needs
// the user, an agent crashed. Banners carry no sound (the app plays its own). Main thread.
#include <functional>
#include <memory>
#include <optional>

#include "kit/engine/Alert.hpp"
#include "platform/Logger.hpp"
#include "platform/NotificationCenter.hpp"

namespace quorvel {

class Notifier {
public:
    explicit Notifier(std::unique_ptr<NotificationCenter> center);
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    /// The banner for `alert` with a new identifier; absent for the kinds that never get one
    /// (broke, long run).
    static std::optional<NotificationCenter::Banner> banner(const Alert& alert);

    /// Asks for permission to show banners and logs the answer; `then` runs afterwards
    /// either way.
    void requestPermission(std::function<void()> then = {});
    /// Whether banners can appear now.
    void checkBannersAllowed(std::function<void(bool)> completion);
    /// Shows the banner of `alert`, if its kind gets one; a failure is logged, not retried.
    void post(const Alert& alert);
    /// Opens the desktop's notification settings.
    void openNotificationSettings();

private:
    std::unique_ptr<NotificationCenter> center_;
    Logger logger_;
};

}  // namespace quorvel
