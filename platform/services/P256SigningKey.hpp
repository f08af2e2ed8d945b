#pragma once
// A P-256 private key for ES256 signatures (SHA-256, raw r ‖ s). Immutable once read, so one
// key may sign from several threads at once.
#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/services/P256PublicKey.hpp"
#include "platform/services/SigningKeyError.hpp"

namespace quorvel {

class P256SigningKey {
public:
    /// Reads a "PRIVATE KEY" (PKCS #8) or "EC PRIVATE KEY" PEM document. A password-protected
    /// key is refused (nothing ever prompts for a password), and so is any curve but P-256.
    static Expected<P256SigningKey, SigningKeyError> fromPem(std::string_view pem);

    /// ECDSA P-256 over SHA-256 of `message`: r then s, each 32 bytes big-endian.
    Expected<std::array<std::uint8_t, 64>, SigningKeyError> sign(std::string_view message) const;

    P256PublicKey publicKey() const;

private:
    explicit P256SigningKey(std::shared_ptr<EVP_PKEY> key) : key_(std::move(key)) {}
    std::shared_ptr<EVP_PKEY> key_;
};

}  // namespace quorvel
