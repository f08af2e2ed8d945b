#pragma once
// The desktop's banner service as the notifier sees it. Completions are called on the thread
// that runs the caller's event loop (the main thread in the app), possibly before the call
// returns; a center never calls a completion after it is destroyed.
#include <functional>
#include <optional>
#include <string>

#include "platform/Expected.hpp"
#include "platform/desktop/DesktopError.hpp"

namespace quorvel {

class NotificationCenter {
public:
    /// One banner: shown at once, without a sound.
    struct Banner {
        /// How strongly the banner may interrupt the user.
        enum class InterruptionLevel { passive, active, timeSensitive };

        /// New for every banner.
        std::string identifier;
        /// Plain text.
        std::string title;
        /// Plain text (may be empty); a center that shows markup escapes it.
        std::string body;
        /// Banners with the same thread belong together.
        std::string threadIdentifier;
        InterruptionLevel interruptionLevel = InterruptionLevel::active;

        bool operator==(const Banner&) const = default;
    };

    /// Why the desktop's notification settings couldn't be opened.
    struct SettingsUnavailable {
        /// What was missing or failed, for the log.
        std::string reason;
        /// The name the notification service gives itself; absent when none answers.
        std::optional<std::string> serverName;

        bool operator==(const SettingsUnavailable&) const = default;
    };

    using AuthorizationCompletion = std::function<void(Expected<bool, DesktopError> granted)>;
    using AllowedCompletion = std::function<void(bool allowed)>;
    using AddCompletion = std::function<void(Expected<void, DesktopError> added)>;
    /// The command line of the settings program started, or why none was.
    using OpenSettingsCompletion = std::function<void(Expected<std::string, SettingsUnavailable> opened)>;

    virtual ~NotificationCenter() = default;

    /// Asks that the app may show banners; answers whether it may, or why it couldn't ask.
    virtual void requestAuthorization(AuthorizationCompletion completion) = 0;
    /// Whether banners posted now would appear.
    virtual void bannersAllowed(AllowedCompletion completion) = 0;
    /// Shows the banner.
    virtual void add(const Banner& banner, AddCompletion completion) = 0;
    /// Takes back the banner added with `identifier`, once it no longer holds, wherever the
    /// desktop still shows it; also one whose adding hasn't been answered yet. An unknown
    /// identifier is ignored.
    virtual void remove(const std::string& identifier) = 0;
    /// Opens the desktop's settings for notifications where it has a known program for them;
    /// otherwise, or when that won't start, answers why, with the notification service's name.
    virtual void openSettings(OpenSettingsCompletion completion) = 0;
};

}  // namespace quorvel
