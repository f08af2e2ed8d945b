#pragma once
// When a provider token is reused and when a new one is signed. A plain value; its owner (one
// APNs client) guards it.
#include <optional>
#include <string>

#include "kit/push/APNsJWTSigner.hpp"

namespace quorvel {

struct APNsJWTCache {
    /// A token younger than this is handed out again (seconds).
    static constexpr double reuseInterval = 3000;
    /// A forced refresh is refused while the token is younger than this (seconds).
    static constexpr double refreshInterval = 1200;

    struct Current {
        std::string token;
        Instant issuedAt;
        bool operator==(const Current&) const = default;
    };

    std::optional<Current> current;

    /// The token for the next request: the current one while it is younger than
    /// `reuseInterval`, else a new one issued at `now`. A token issued after `now` (the clock
    /// went back) is not trusted and is replaced. On a signing error `current` is unchanged.
    Expected<std::string, SigningKeyError> token(const APNsJWTSigner& signer, Instant now);

    /// After the service called the token expired: signs a new one unless the current one is
    /// younger than `refreshInterval`. True when a new token was made.
    Expected<bool, SigningKeyError> refreshIfNeeded(const APNsJWTSigner& signer, Instant now);

private:
    bool isYoungerThan(double seconds, Instant now) const;
    Expected<std::string, SigningKeyError> renew(const APNsJWTSigner& signer, Instant now);
};

}  // namespace quorvel
