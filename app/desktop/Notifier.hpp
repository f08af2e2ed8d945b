#pragma once
// The app's own banners for the alerts that need the user: a run is done, an agent needs
// the user, an agent crashed. Banners carry no sound (the app plays its own). Main thread.
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "kit/engine/Alert.hpp"
#include "kit/engine/Session.hpp"
#include "platform/desktop/NotificationCenter.hpp"
#include "platform/logging/Logger.hpp"

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
    /// Done and crashed banners stay in the desktop's list for the user to clear. A needs-you
    /// banner asks something of the user that stops being true once its session moves on, so
    /// it is remembered until `withdrawStale` takes it back; a later banner of the same
    /// session takes it back too.
    void post(const Alert& alert);
    /// Takes back every needs-you banner whose session no longer needs the user, or is gone.
    void withdrawStale(const std::unordered_map<std::string, Session>& sessions);
    /// Opens the desktop's notification settings. Where it can't (no known program for this
    /// desktop, none installed, or it won't start), it logs why and `shown` gets the line the
    /// windows show instead; when the program started, `shown` gets none.
    void openNotificationSettings(std::function<void(std::optional<std::string> line)> shown);

    /// The windows' line where the notification settings can't be opened: who manages the
    /// banners, by the name the service gives itself (absent when none answers).
    static std::string managedByServiceLine(const std::optional<std::string>& serverName);

private:
    std::unique_ptr<NotificationCenter> center_;
    /// The identifier of the needs-you banner still shown for each session, by session.
    std::map<std::string, std::string> needsYouShown_;
    Logger logger_;
};

}  // namespace quorvel
