#pragma once
// Provider authentication tokens for the push service: compact JSON Web Tokens signed with
// ES256 by the user's own .p8 key. Immutable once made; safe to use from any thread.
#include <string>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/services/P256SigningKey.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class APNsJWTSigner {
public:
    /// Reads the PEM text of a P-256 private key; its error is passed on unchanged.
    static Expected<APNsJWTSigner, SigningKeyError> make(std::string_view pem, std::string keyID, std::string teamID);

    APNsJWTSigner(std::string keyID, std::string teamID, P256SigningKey privateKey)
        : keyID_(std::move(keyID)), teamID_(std::move(teamID)), privateKey_(std::move(privateKey)) {}

    const std::string& keyID() const { return keyID_; }
    const std::string& teamID() const { return teamID_; }
    P256PublicKey publicKey() const { return privateKey_.publicKey(); }

    /// The token issued at `now`: header {"alg":"ES256","kid":<key ID>}, claims
    /// {"iss":<team ID>,"iat":<whole Unix seconds>}, each base64url, then the raw signature.
    Expected<std::string, SigningKeyError> sign(Instant now) const;

    /// Unpadded base64url of `bytes`.
    static std::string base64URL(std::string_view bytes);

private:
    std::string keyID_;
    std::string teamID_;
    P256SigningKey privateKey_;
};

}  // namespace quorvel
