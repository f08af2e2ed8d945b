#include "platform/services/SigningKeyError.hpp"

namespace quorvel {

SigningKeyError SigningKeyError::make(Code code) {
    switch (code) {
        case Code::notPem: return {code, "The key isn't a private key in PEM form."};
        case Code::encrypted: return {code, "The key is protected by a password; use the unencrypted .p8 file."};
        case Code::wrongKeyType: return {code, "The key isn't a P-256 elliptic-curve key."};
        case Code::signingFailed: return {code, "Signing with the key failed."};
    }
    return {code, "The key can't be used."};
}

}  // namespace quorvel
