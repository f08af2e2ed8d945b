#pragma once
// A failure of the login keyring, as both credential stores report it: a status code (the
// codes callers know: -25300 for a missing item, -50 for an invalid parameter) and its text.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/services/SecretStore.hpp"

namespace quorvel::APNsKeyStore {

struct KeychainError {
    static constexpr std::int32_t itemNotFound = -25300;
    static constexpr std::int32_t invalidParameter = -50;
    static constexpr std::int32_t notAvailable = -25291;
    static constexpr std::int32_t interactionNotAllowed = -25308;
    static constexpr std::int32_t internalComponent = -2070;

    std::int32_t status = 0;
    /// The keyring service's own words, when it gave any.
    std::optional<std::string> systemMessage;
    /// What is wrong with what the store was given, when it refused it before asking the
    /// keyring (status `invalidParameter`): the whole text the user sees.
    std::optional<std::string> inputProblem;

    bool operator==(const KeychainError&) const = default;

    /// The input's problem when there is one; else "Keyring: " and the message for the status,
    /// or "Keyring: status <code>" when there is no message for it.
    std::string description() const;

    /// A refusal of the store's input, keyring untouched.
    static KeychainError invalidInput(std::string problem);

    /// The keyring's failure as a status: no service → not available, locked or refused →
    /// interaction not allowed, any other → internal component (with the service's text).
    static KeychainError from(const SecretStoreError& error);
};

/// The message for a status, when there is one.
std::optional<std::string> keychainStatusMessage(std::int32_t status);

}  // namespace quorvel::APNsKeyStore
