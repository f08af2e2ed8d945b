#include "platform/services/InMemorySecretStore.hpp"

namespace quorvel {

Expected<std::optional<std::string>, SecretStoreError> InMemorySecretStore::find(std::string_view service,
                                                                                  std::string_view account) {
    std::lock_guard lock(mutex_);
    if (failure_) return unexpected(*failure_);
    const auto found = items_.find(Key(service, account));
    if (found == items_.end()) return std::optional<std::string>();
    return std::optional<std::string>(found->second.value);
}

Expected<void, SecretStoreError> InMemorySecretStore::replace(std::string_view service, std::string_view account,
                                                              std::string_view label, std::string_view value) {
    std::lock_guard lock(mutex_);
    if (failure_) return unexpected(*failure_);
    items_[Key(service, account)] = Item{std::string(label), std::string(value)};
    return {};
}

Expected<void, SecretStoreError> InMemorySecretStore::remove(std::string_view service, std::string_view account) {
    std::lock_guard lock(mutex_);
    ++removeCalls_;
    if (failure_) return unexpected(*failure_);
    items_.erase(Key(service, account));
    return {};
}

void InMemorySecretStore::setFailure(std::optional<SecretStoreError> error) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(error);
}

std::optional<InMemorySecretStore::Item> InMemorySecretStore::item(std::string_view service,
                                                                   std::string_view account) const {
    std::lock_guard lock(mutex_);
    const auto found = items_.find(Key(service, account));
    if (found == items_.end()) return std::nullopt;
    return found->second;
}

std::size_t InMemorySecretStore::itemCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

int InMemorySecretStore::removeCalls() const {
    std::lock_guard lock(mutex_);
    return removeCalls_;
}

}  // namespace quorvel
