#pragma once
// What sends an alert to the phone, as the app's model sees it.
#include <string>

#include "kit/engine/OutgoingPush.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

class PushDelivery {
public:
    /// A push that did not go out, with the text the user is shown.
    struct Failure {
        std::string description;
        bool operator==(const Failure&) const = default;
    };

    virtual ~PushDelivery() = default;

    /// Sends one alert; blocks until the service has answered (or the attempt failed).
    virtual Expected<void, Failure> push(const OutgoingPush& push) = 0;
};

}  // namespace quorvel
