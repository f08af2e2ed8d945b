#pragma once
// The public half of a P-256 key, for checking ES256 signatures.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/services/SigningKeyError.hpp"

typedef struct evp_pkey_st EVP_PKEY;

namespace quorvel {

class P256PublicKey {
public:
    /// A "PUBLIC KEY" PEM document holding a P-256 key.
    static Expected<P256PublicKey, SigningKeyError> fromPem(std::string_view pem);

    /// True when `signature` (raw r ‖ s, 32 bytes each) signs SHA-256 of `message`.
    bool isValidSignature(const std::array<std::uint8_t, 64>& signature, std::string_view message) const;

    /// The uncompressed point: 0x04, X, Y (65 bytes).
    std::string x963Representation() const;

    bool operator==(const P256PublicKey& other) const { return x963Representation() == other.x963Representation(); }

private:
    friend class P256SigningKey;
    explicit P256PublicKey(std::shared_ptr<EVP_PKEY> key) : key_(std::move(key)) {}
    std::shared_ptr<EVP_PKEY> key_;
};

}  // namespace quorvel
