#include "platform/services/P256PublicKey.hpp"

#include <climits>

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/err.h>
#include <openssl/pem.h>

#include "platform/services/OpenSslKeys.hpp"

namespace quorvel {

Expected<P256PublicKey, SigningKeyError> P256PublicKey::fromPem(std::string_view pem) {
    if (pem.size() > INT_MAX) return unexpected(SigningKeyError::make(SigningKeyError::Code::notPem));
    std::unique_ptr<BIO, decltype(&BIO_free)> input(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    EVP_PKEY* key = input ? PEM_read_bio_PUBKEY(input.get(), nullptr, nullptr, nullptr) : nullptr;
    ERR_clear_error();
    if (key == nullptr) return unexpected(SigningKeyError::make(SigningKeyError::Code::notPem));
    auto owned = openssl::owned(key);
    if (!openssl::isP256(key)) return unexpected(SigningKeyError::make(SigningKeyError::Code::wrongKeyType));
    return P256PublicKey(std::move(owned));
}

bool P256PublicKey::isValidSignature(const std::array<std::uint8_t, 64>& signature, std::string_view message) const {
    std::unique_ptr<ECDSA_SIG, decltype(&ECDSA_SIG_free)> parsed(ECDSA_SIG_new(), ECDSA_SIG_free);
    if (!parsed) return false;
    BIGNUM* r = BN_bin2bn(signature.data(), 32, nullptr);
    BIGNUM* s = BN_bin2bn(signature.data() + 32, 32, nullptr);
    if (r == nullptr || s == nullptr || ECDSA_SIG_set0(parsed.get(), r, s) != 1) {
        BN_free(r);
        BN_free(s);
        return false;
    }
    unsigned char* der = nullptr;
    const int derLength = i2d_ECDSA_SIG(parsed.get(), &der);
    if (derLength <= 0) return false;
    std::unique_ptr<unsigned char, void (*)(unsigned char*)> derOwner(der, [](unsigned char* p) { OPENSSL_free(p); });

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    const bool valid = context &&
                       EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key_.get()) == 1 &&
                       EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(derLength),
                                        reinterpret_cast<const unsigned char*>(message.data()), message.size()) == 1;
    ERR_clear_error();
    return valid;
}

std::string P256PublicKey::x963Representation() const {
    unsigned char* encoded = nullptr;
    const std::size_t length = EVP_PKEY_get1_encoded_public_key(key_.get(), &encoded);
    if (length == 0 || encoded == nullptr) return {};
    std::string point(reinterpret_cast<const char*>(encoded), length);
    OPENSSL_free(encoded);
    return point;
}

}  // namespace quorvel
