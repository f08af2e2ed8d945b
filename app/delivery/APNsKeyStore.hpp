#pragma once
// The user's own APNs signing key (.p8 text with its key ID and team ID), kept as one item of
// the login keyring whose value is the JSON of `Credentials`.
#include <optional>
#include <string>
#include <variant>

#include "app/delivery/KeychainError.hpp"
#include "app/delivery/KeychainJsonItem.hpp"
#include "platform/Expected.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/services/SecretStore.hpp"
#include "platform/services/SigningKeyError.hpp"

namespace quorvel::APNsKeyStore {

struct Credentials {
    std::string keyID;
    std::string teamID;
    /// The private key in PEM form, as read from the .p8 file.
    std::string pem;

    bool operator==(const Credentials&) const = default;
    json::Json encode() const;
    static Credentials decode(const json::Json& value);
};

using SaveError = std::variant<KeychainError, SigningKeyError>;

std::string describe(const LoadError& error);
std::string describe(const SaveError& error);

/// "com.tessaloom.quorvel.mac.apns-key"
const std::string& service();
inline constexpr const char* account = "default";

/// The stored key, or absent when there is no item.
Expected<std::optional<Credentials>, LoadError> load(SecretStore& store);
/// Checks that the PEM holds a P-256 private key (the keyring is not touched when it doesn't),
/// then replaces the item in one step, labelled "Quorvel APNs key " + key ID. The earlier key
/// stays when the keyring refuses.
Expected<void, SaveError> save(SecretStore& store, const Credentials& credentials);
/// Removes the item; done also when there is none.
Expected<void, KeychainError> remove(SecretStore& store);

}  // namespace quorvel::APNsKeyStore
