#include "kit/push/APNsJWTCache.hpp"

namespace quorvel {

bool APNsJWTCache::isYoungerThan(double seconds, Instant now) const {
    if (!current) return false;
    const double age = now.secondsSince(current->issuedAt);
    // A negative age means the clock moved back: such a token may be far older than it looks.
    return age >= 0 && age < seconds;
}

Expected<std::string, SigningKeyError> APNsJWTCache::renew(const APNsJWTSigner& signer, Instant now) {
    auto token = signer.sign(now);
    if (!token) return unexpected(token.error());
    current = Current{token.value(), now};
    return token;
}

Expected<std::string, SigningKeyError> APNsJWTCache::token(const APNsJWTSigner& signer, Instant now) {
    if (isYoungerThan(reuseInterval, now)) return current->token;
    return renew(signer, now);
}

Expected<bool, SigningKeyError> APNsJWTCache::refreshIfNeeded(const APNsJWTSigner& signer, Instant now) {
    if (isYoungerThan(refreshInterval, now)) return false;
    auto token = renew(signer, now);
    if (!token) return unexpected(token.error());
    return true;
}

}  // namespace quorvel
