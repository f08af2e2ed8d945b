#pragma once
// The three push-service hosts the client talks to. Each can be overridden from the
// environment (a proxy, a test server): QUORVEL_APNS_HOST, QUORVEL_APNS_BROADCAST_HOST and
// QUORVEL_APNS_CHANNEL_HOST, each "name" or "name:port".
#include <string>

namespace quorvel {

struct APNsHosts {
    /// Device pushes and the first try of a broadcast.
    std::string production = "api.push.apple.com";
    /// The second try of a broadcast (direct transport only): the development server, where
    /// broadcasts to a development build of the phone app are accepted.
    std::string broadcast = "api.sandbox.push.apple.com";
    /// Creating, listing and deleting broadcast channels.
    std::string channelManagement = "api-manage-broadcast.push.apple.com:2196";

    bool operator==(const APNsHosts&) const = default;

    /// The defaults above, with every override that is set and not empty.
    static APNsHosts fromEnvironment();
};

}  // namespace quorvel
