#pragma once
// A fresh P-256 private key as an AuthKey .p8 file holds it (PKCS #8 PEM), for key imports.
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstddef>
#include <string>

namespace quorvel::testing {

inline std::string makeP256Pem() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    BIO* out = BIO_new(BIO_s_mem());
    PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
    char* data = nullptr;
    const long length = BIO_get_mem_data(out, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(out);
    EVP_PKEY_free(key);
    return pem;
}

}  // namespace quorvel::testing
