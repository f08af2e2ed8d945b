#pragma once
// A secret store held in memory, for tests and for a machine without a keyring service.
// Thread-safe. A failure can be set up for the next calls, to exercise callers' error paths.
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "platform/services/SecretStore.hpp"

namespace quorvel {

class InMemorySecretStore final : public SecretStore {
public:
    struct Item {
        std::string label;
        std::string value;
        bool operator==(const Item&) const = default;
    };

    Expected<std::optional<std::string>, SecretStoreError> find(std::string_view service,
                                                                std::string_view account) override;
    Expected<void, SecretStoreError> replace(std::string_view service, std::string_view account,
                                             std::string_view label, std::string_view value) override;
    Expected<void, SecretStoreError> remove(std::string_view service, std::string_view account) override;

    /// Every call from now on fails with `error` (absent: calls succeed again).
    void setFailure(std::optional<SecretStoreError> error);

    /// The item as stored, label included.
    std::optional<Item> item(std::string_view service, std::string_view account) const;
    std::size_t itemCount() const;
    /// How many `remove` calls were made.
    int removeCalls() const;

private:
    using Key = std::pair<std::string, std::string>;
    mutable std::mutex mutex_;
    std::map<Key, Item> items_;
    std::optional<SecretStoreError> failure_;
    int removeCalls_ = 0;
};

}  // namespace quorvel
