#include "platform/services/OpenSslKeys.hpp"

#include <string_view>

#include <openssl/core_names.h>

namespace quorvel::openssl {

bool isP256(const EVP_PKEY* key) {
    if (key == nullptr || EVP_PKEY_get_base_id(key) != EVP_PKEY_EC) return false;
    char group[80] = {};
    std::size_t length = 0;
    if (EVP_PKEY_get_utf8_string_param(key, OSSL_PKEY_PARAM_GROUP_NAME, group, sizeof group, &length) != 1) {
        return false;
    }
    const std::string_view name(group, length);
    return name == "prime256v1" || name == "P-256" || name == "secp256r1";
}

}  // namespace quorvel::openssl
