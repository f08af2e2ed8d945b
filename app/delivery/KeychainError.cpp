#include "app/delivery/KeychainError.hpp"

namespace quorvel::APNsKeyStore {

std::optional<std::string> keychainStatusMessage(std::int32_t status) {
    switch (status) {
        case KeychainError::itemNotFound: return "The item could not be found in the keyring.";
        case KeychainError::invalidParameter: return "One or more parameters passed to a function were not valid.";
        case KeychainError::notAvailable:
            return "No keyring is available. Start the desktop's keyring service (such as GNOME Keyring).";
        case KeychainError::interactionNotAllowed: return "User interaction is not allowed.";
        case KeychainError::internalComponent: return "An internal component failed.";
        case -128: return "User canceled the operation.";
        case -25299: return "The item already exists in the keyring.";
        default: return std::nullopt;
    }
}

std::string KeychainError::description() const {
    if (inputProblem) return *inputProblem;
    if (systemMessage && !systemMessage->empty()) return "Keyring: " + *systemMessage;
    if (auto message = keychainStatusMessage(status)) return "Keyring: " + *message;
    return "Keyring: status " + std::to_string(status);
}

KeychainError KeychainError::invalidInput(std::string problem) {
    return KeychainError{invalidParameter, std::nullopt, std::move(problem)};
}

KeychainError KeychainError::from(const SecretStoreError& error) {
    switch (error.code) {
        case SecretStoreError::Code::unavailable: return KeychainError{notAvailable, std::nullopt, std::nullopt};
        case SecretStoreError::Code::denied: return KeychainError{interactionNotAllowed, std::nullopt, std::nullopt};
        case SecretStoreError::Code::failed: break;
    }
    return KeychainError{internalComponent, error.message.empty() ? std::nullopt : std::optional(error.message),
                         std::nullopt};
}

}  // namespace quorvel::APNsKeyStore
