#pragma once
// Decides whether a live alert goes to the phone, and builds the push when it does. A value
// owned by the app; it never sends anything and never reads the clock or settings itself.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "kit/engine/Alert.hpp"
#include "kit/engine/DeviceControls.hpp"
#include "kit/engine/OutgoingPush.hpp"
#include "platform/time/Calendar.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct Router {
    /// Sends counted by the rate limit are those of the last `rateWindow` seconds.
    static constexpr double rateWindow = 60.0;
    static constexpr std::size_t rateLimit = 6;

    /// What one decision needs to know; built fresh for every alert.
    struct Context {
        bool away = false;
        bool muted = false;
        DeviceControls controls;
        bool failuresBuzzPhone = false;
        bool alwaysPush = false;
        /// First hour (0-23) of the quiet hours.
        std::int64_t quietStart = 0;
        /// Hour (0-23) at which the quiet hours end.
        std::int64_t quietEnd = 0;
        Instant now;
        /// Calendar in which `now`'s hour of day is taken.
        Calendar calendar;

        /// The context with `alwaysPush` off.
        static Context make(bool away, bool muted, DeviceControls controls, bool failuresBuzzPhone,
                            std::int64_t quietStart, std::int64_t quietEnd, Instant now,
                            Calendar calendar);

        /// True when `now` lies in the quiet hours (start inclusive, end exclusive, wrapping
        /// past midnight when start is after end; never when they are equal).
        bool isQuietHours() const;

        bool operator==(const Context&) const = default;
    };

    /// Why an alert does not go to the phone.
    enum class Skip { atDesk, muted, kindNotPushed, padOff, failsOnly, rateLimited, duplicate };

    struct Decision {
        std::variant<OutgoingPush, Skip> value;

        static Decision send(OutgoingPush push) { return {std::move(push)}; }
        static Decision skip(Skip reason) { return {reason}; }

        /// The push to send, or null for a skip.
        const OutgoingPush* push() const { return std::get_if<OutgoingPush>(&value); }
        /// The reason of a skip, or null for a send.
        const Skip* skipReason() const { return std::get_if<Skip>(&value); }

        bool operator==(const Decision&) const = default;
    };

    /// Times of the pushes sent, oldest first; pruned lazily.
    std::vector<Instant> sentAt;
    /// The alert kind last sent, per session.
    std::map<std::string, Alert::Kind, std::less<>> lastSent;

    /// Decides on one alert; records the send when it sends.
    Decision decide(const Alert& alert, const Context& context);

    /// Lets the next alert of any kind for this session through the duplicate rule.
    void forget(std::string_view sessionID);

    bool operator==(const Router&) const = default;
};

/// The case name of a skip ("atDesk"), as logged.
std::string_view rawValue(Router::Skip skip);

/// The words the app uses when it reports a skip ("you're at the computer", "muted", ...).
std::string_view skipDescription(Router::Skip skip);

}  // namespace quorvel
