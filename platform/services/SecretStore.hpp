#pragma once
// The user's store of secrets (the login keyring): one text value per item, found by a
// service name and an account name. Calls are synchronous and may block on the keyring
// service, so callers keep them off the main thread.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Expected.hpp"

namespace quorvel {

struct SecretStoreError {
    enum class Code {
        unavailable,  ///< no keyring service answers
        denied,       ///< the keyring is locked, or the user refused to unlock it
        failed,       ///< the service answered with an error
    };
    Code code = Code::failed;
    /// The service's own text.
    std::string message;

    bool operator==(const SecretStoreError&) const = default;
};

class SecretStore {
public:
    virtual ~SecretStore() = default;

    /// The value of the item, or absent when there is none (not an error).
    virtual Expected<std::optional<std::string>, SecretStoreError> find(std::string_view service,
                                                                        std::string_view account) = 0;
    /// Stores `value` under service and account, replacing an existing item in one step: the
    /// earlier value stays when this fails.
    virtual Expected<void, SecretStoreError> replace(std::string_view service, std::string_view account,
                                                     std::string_view label, std::string_view value) = 0;
    /// Removes the item; succeeds also when there is none.
    virtual Expected<void, SecretStoreError> remove(std::string_view service, std::string_view account) = 0;
    /// For the end of the process: every call under way returns now where the service allows
    /// it, and every later one at once, as denied. Any thread.
    virtual void abandonCalls() {}
};

}  // namespace quorvel
