#pragma once
// Shared pieces of the P-256 key classes (OpenSSL 3).
#include <memory>

#include <openssl/evp.h>

namespace quorvel::openssl {

inline std::shared_ptr<EVP_PKEY> owned(EVP_PKEY* key) { return std::shared_ptr<EVP_PKEY>(key, EVP_PKEY_free); }

/// True for an elliptic-curve key on P-256 (prime256v1).
bool isP256(const EVP_PKEY* key);

}  // namespace quorvel::openssl
