#pragma once
// The login keyring through libsecret (the freedesktop Secret Service: GNOME Keyring,
// KWallet). Items are generic passwords with the attributes "service" and "account" in the
// default collection; storing under the same two attributes replaces the item in one call
// to the service, so a failed store never loses the earlier value.
#include "platform/services/SecretStore.hpp"

typedef struct _GCancellable GCancellable;

namespace quorvel {

class LibsecretStore final : public SecretStore {
public:
    LibsecretStore();
    ~LibsecretStore() override;
    LibsecretStore(const LibsecretStore&) = delete;
    LibsecretStore& operator=(const LibsecretStore&) = delete;

    Expected<std::optional<std::string>, SecretStoreError> find(std::string_view service,
                                                                std::string_view account) override;
    Expected<void, SecretStoreError> replace(std::string_view service, std::string_view account,
                                             std::string_view label, std::string_view value) override;
    Expected<void, SecretStoreError> remove(std::string_view service, std::string_view account) override;
    /// Cancels the calls: a pending D-Bus call returns at once.
    void abandonCalls() override;

private:
    // Shared by every call; cancelled once, for good.
    GCancellable* cancellable_;
};

}  // namespace quorvel
