#pragma once
// The address and bearer key of the user's relay, kept as one item of the login keyring whose
// value is the JSON of `Credentials` (the URL as its text).
#include <optional>
#include <string>
#include <variant>

#include "app/delivery/APNsKeyStore.hpp"
#include "platform/services/WebUrl.hpp"

namespace quorvel::RelayKeyStore {

using APNsKeyStore::DecodingError;
using APNsKeyStore::KeychainError;
using APNsKeyStore::LoadError;

struct Credentials {
    /// An https URL.
    WebUrl url;
    std::string key;

    bool operator==(const Credentials&) const = default;
    json::Json encode() const;
    static Credentials decode(const json::Json& value);
};

/// "com.tessaloom.quorvel.mac.relay-key"
const std::string& service();
inline constexpr const char* account = "default";

/// The stored relay, or absent when there is no item.
Expected<std::optional<Credentials>, LoadError> load(SecretStore& store);
/// Refuses (status -50, keyring untouched, the error saying what to mend) a URL whose scheme is
/// not exactly "https", an empty key, or a key holding a line break or NUL; else replaces the
/// item in one step, labelled "Quorvel relay key". The earlier relay stays when the keyring
/// refuses.
Expected<void, KeychainError> save(SecretStore& store, const Credentials& credentials);
/// Removes the item; done also when there is none.
Expected<void, KeychainError> remove(SecretStore& store);

}  // namespace quorvel::RelayKeyStore
