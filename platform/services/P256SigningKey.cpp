#include "platform/services/P256SigningKey.hpp"

#include <climits>
#include <vector>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include "platform/services/OpenSslKeys.hpp"

namespace quorvel {
namespace {

// Called by OpenSSL for an encrypted key: no password is ever asked for or guessed.
int refusePassword(char*, int, int, void*) { return -1; }

bool looksEncrypted(std::string_view pem) {
    return pem.find("ENCRYPTED PRIVATE KEY") != std::string_view::npos ||
           pem.find("Proc-Type: 4,ENCRYPTED") != std::string_view::npos;
}

}  // namespace

Expected<P256SigningKey, SigningKeyError> P256SigningKey::fromPem(std::string_view pem) {
    using Code = SigningKeyError::Code;
    if (pem.size() > INT_MAX) return unexpected(SigningKeyError::make(Code::notPem));
    if (looksEncrypted(pem)) return unexpected(SigningKeyError::make(Code::encrypted));
    std::unique_ptr<BIO, decltype(&BIO_free)> input(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    EVP_PKEY* key = input ? PEM_read_bio_PrivateKey(input.get(), nullptr, refusePassword, nullptr) : nullptr;
    ERR_clear_error();
    if (key == nullptr) return unexpected(SigningKeyError::make(Code::notPem));
    auto owned = openssl::owned(key);
    if (!openssl::isP256(key)) return unexpected(SigningKeyError::make(Code::wrongKeyType));
    return P256SigningKey(std::move(owned));
}

Expected<std::array<std::uint8_t, 64>, SigningKeyError> P256SigningKey::sign(std::string_view message) const {
    const auto failure = [] {
        ERR_clear_error();
        return unexpected(SigningKeyError::make(SigningKeyError::Code::signingFailed));
    };
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!context || EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, key_.get()) != 1) return failure();
    const auto* data = reinterpret_cast<const unsigned char*>(message.data());
    std::size_t derLength = 0;
    if (EVP_DigestSign(context.get(), nullptr, &derLength, data, message.size()) != 1) return failure();
    std::vector<unsigned char> der(derLength);
    if (EVP_DigestSign(context.get(), der.data(), &derLength, data, message.size()) != 1) return failure();

    const unsigned char* cursor = der.data();
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> parsed(
        d2i_ECDSA_SIG(nullptr, &cursor, static_cast<long>(derLength)), ECDSA_SIG_free);
    if (!parsed) return failure();
    const BIGNUM* r = nullptr;
    const BIGNUM* s = nullptr;
    ECDSA_SIG_get0(parsed.get(), &r, &s);
    // Each half is left-padded to 32 bytes: DER drops leading zero bytes.
    std::array<std::uint8_t, 64> raw{};
    if (BN_bn2binpad(r, raw.data(), 32) != 32 || BN_bn2binpad(s, raw.data() + 32, 32) != 32) return failure();
    return raw;
}

P256PublicKey P256SigningKey::publicKey() const {
    // Only the public half is kept: copy it out through its SubjectPublicKeyInfo form.
    unsigned char* der = nullptr;
    const int length = i2d_PUBKEY(key_.get(), &der);
    EVP_PKEY* publicOnly = nullptr;
    if (length > 0) {
        const unsigned char* cursor = der;
        publicOnly = d2i_PUBKEY(nullptr, &cursor, length);
    }
    OPENSSL_free(der);
    ERR_clear_error();
    if (publicOnly == nullptr) {
        EVP_PKEY_up_ref(key_.get());
        publicOnly = key_.get();
    }
    return P256PublicKey(openssl::owned(publicOnly));
}

}  // namespace quorvel
