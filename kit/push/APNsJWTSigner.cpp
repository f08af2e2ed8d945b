#include "kit/push/APNsJWTSigner.hpp"

#include "kit/push/PushPayloads.hpp"
#include "platform/text/Base64.hpp"

namespace quorvel {

Expected<APNsJWTSigner, SigningKeyError> APNsJWTSigner::make(std::string_view pem, std::string keyID,
                                                             std::string teamID) {
    auto key = P256SigningKey::fromPem(pem);
    if (!key) return unexpected(key.error());
    return APNsJWTSigner(std::move(keyID), std::move(teamID), std::move(key.value()));
}

Expected<std::string, SigningKeyError> APNsJWTSigner::sign(Instant now) const {
    // Written by hand so the token holds exactly these members in this order (the IDs are
    // plain letters and digits, so no escaping is needed).
    const std::string header = "{\"alg\":\"ES256\",\"kid\":\"" + keyID_ + "\"}";
    const std::string claims = "{\"iss\":\"" + teamID_ + "\",\"iat\":" +
                               std::to_string(PushPayloads::unixWholeSeconds(now)) + "}";
    const std::string signingInput = base64URL(header) + "." + base64URL(claims);
    auto signature = privateKey_.sign(signingInput);
    if (!signature) return unexpected(signature.error());
    const auto& raw = signature.value();
    return signingInput + "." + base64::encodeUrlUnpadded(raw.data(), raw.size());
}

std::string APNsJWTSigner::base64URL(std::string_view bytes) { return base64::encodeUrlUnpadded(bytes); }

}  // namespace quorvel
