#pragma once
// One item of the login keyring whose value is the JSON of a record: how both credential
// stores find, replace and remove theirs, and how they report a value they can't read.
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "app/delivery/KeychainError.hpp"
#include "platform/Expected.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/services/SecretStore.hpp"

namespace quorvel::APNsKeyStore {

/// A stored value that isn't the JSON of the record.
struct DecodingError {
    std::string message;
    bool operator==(const DecodingError&) const = default;
    std::string description() const { return "The stored credentials can't be read: " + message; }
};

using LoadError = std::variant<KeychainError, DecodingError>;

}  // namespace quorvel::APNsKeyStore

namespace quorvel::KeychainJsonItem {

using APNsKeyStore::DecodingError;
using APNsKeyStore::KeychainError;
using APNsKeyStore::LoadError;

/// The item's value decoded as a `Record` (which has `static Record decode(const json::Json&)`),
/// or absent when there is no item.
template <typename Record>
Expected<std::optional<Record>, LoadError> load(SecretStore& store, std::string_view service,
                                                std::string_view account) {
    auto found = store.find(service, account);
    if (!found) return unexpected(LoadError(KeychainError::from(found.error())));
    if (!found.value()) return std::optional<Record>();
    auto decoded = json::decodeJson<Record>(*found.value());
    if (!decoded) return unexpected(LoadError(DecodingError{decoded.error().message}));
    return std::optional<Record>(std::move(decoded.value()));
}

/// Replaces the item with the text of `value` in one step; the earlier value stays when the
/// keyring refuses.
Expected<void, KeychainError> save(SecretStore& store, std::string_view service, std::string_view account,
                                   std::string_view label, const json::Json& value);

/// Removes the item; done also when there is none.
Expected<void, KeychainError> remove(SecretStore& store, std::string_view service, std::string_view account);

}  // namespace quorvel::KeychainJsonItem
