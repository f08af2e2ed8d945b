#pragma once
// Why a signing key could not be read or used.
#include <string>

namespace quorvel {

struct SigningKeyError {
    enum class Code { notPem, encrypted, wrongKeyType, signingFailed };

    Code code = Code::notPem;
    std::string message;

    const std::string& description() const { return message; }
    bool operator==(const SigningKeyError&) const = default;

    static SigningKeyError make(Code code);
};

}  // namespace quorvel
