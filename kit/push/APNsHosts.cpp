#include "kit/push/APNsHosts.hpp"

#include <cstdlib>

namespace quorvel {
namespace {

void override(std::string& host, const char* variable) {
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') host = value;
}

}  // namespace

APNsHosts APNsHosts::fromEnvironment() {
    APNsHosts hosts;
    override(hosts.production, "QUORVEL_APNS_HOST");
    override(hosts.broadcast, "QUORVEL_APNS_BROADCAST_HOST");
    override(hosts.channelManagement, "QUORVEL_APNS_CHANNEL_HOST");
    return hosts;
}

}  // namespace quorvel
