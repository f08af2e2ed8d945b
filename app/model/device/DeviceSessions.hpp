#pragma once
// What the device part needs of the sessions, wired by the model: the session whose terminal
// comes forward, and the acknowledgement of the one on show. Main thread.
#include <functional>
#include <optional>
#include <string>

#include "kit/engine/Session.hpp"

namespace quorvel {

struct DeviceSessions {
    /// The session with this ID; absent when there is none.
    std::function<std::optional<Session>(const std::string& sessionID)> find;
    /// The session the device shows; absent without sessions.
    std::function<std::optional<Session>()> focus;
    /// The user dismissed the alert of this session.
    std::function<void(const std::string& sessionID)> acknowledge;
};

}  // namespace quorvel
