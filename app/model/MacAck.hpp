#pragma once
// The Mac's answer to the paired phone: which tokens it pushes to, its name, when it last
// looked and whether it pushes every alert.
#include <optional>
#include <string>

#include "platform/Instant.hpp"

namespace quorvel {

struct MacAck {
    std::string deviceToken;
    std::optional<std::string> pushToStartToken;
    std::string macName;
    Instant acknowledgedAt;
    bool alwaysPush = false;

    bool operator==(const MacAck&) const = default;
};

}  // namespace quorvel
