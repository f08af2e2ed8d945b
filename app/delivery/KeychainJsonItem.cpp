#include "app/delivery/KeychainJsonItem.hpp"

namespace quorvel::KeychainJsonItem {

Expected<void, KeychainError> save(SecretStore& store, std::string_view service, std::string_view account,
                                   std::string_view label, const json::Json& value) {
    auto replaced = store.replace(service, account, label, json::dump(value));
    if (!replaced) return unexpected(KeychainError::from(replaced.error()));
    return {};
}

Expected<void, KeychainError> remove(SecretStore& store, std::string_view service, std::string_view account) {
    auto removed = store.remove(service, account);
    if (!removed) return unexpected(KeychainError::from(removed.error()));
    return {};
}

}  // namespace quorvel::KeychainJsonItem
