#include "platform/services/LibsecretStore.hpp"

#include <string>

#include <libsecret/secret.h>

namespace quorvel {
namespace {

// The freedesktop convention for generic passwords; items are matched by their attributes
// alone, so an item stored by another tool under the same service and account is found too.
const SecretSchema& genericPasswordSchema() {
    static const SecretSchema schema = [] {
        SecretSchema made{};
        made.name = "org.freedesktop.Secret.Generic";
        made.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        made.attributes[0].name = "service";
        made.attributes[0].type = SECRET_SCHEMA_ATTRIBUTE_STRING;
        made.attributes[1].name = "account";
        made.attributes[1].type = SECRET_SCHEMA_ATTRIBUTE_STRING;
        made.attributes[2].name = nullptr;
        return made;
    }();
    return schema;
}

SecretStoreError errorFrom(GError* error) {
    SecretStoreError result;
    result.message = (error != nullptr && error->message != nullptr) ? error->message : "unknown error";
    if (error == nullptr) {
        result.code = SecretStoreError::Code::failed;
    } else if (g_error_matches(error, SECRET_ERROR, SECRET_ERROR_IS_LOCKED) ||
               g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CANCELLED)) {
        result.code = SecretStoreError::Code::denied;
    } else if (error->domain == G_DBUS_ERROR || error->domain == G_IO_ERROR) {
        // No session bus, no keyring daemon, or one that does not answer.
        result.code = SecretStoreError::Code::unavailable;
    } else {
        result.code = SecretStoreError::Code::failed;
    }
    if (error != nullptr) g_error_free(error);
    return result;
}

}  // namespace

LibsecretStore::LibsecretStore() : cancellable_(g_cancellable_new()) {}

LibsecretStore::~LibsecretStore() { g_object_unref(cancellable_); }

void LibsecretStore::abandonCalls() { g_cancellable_cancel(cancellable_); }

Expected<std::optional<std::string>, SecretStoreError> LibsecretStore::find(std::string_view service,
                                                                            std::string_view account) {
    const std::string serviceText(service);
    const std::string accountText(account);
    GError* error = nullptr;
    gchar* value = secret_password_lookup_sync(&genericPasswordSchema(), cancellable_, &error, "service",
                                               serviceText.c_str(), "account", accountText.c_str(), nullptr);
    if (error != nullptr) {
        if (value != nullptr) secret_password_free(value);
        return unexpected(errorFrom(error));
    }
    if (value == nullptr) return std::optional<std::string>();
    std::string text(value);
    secret_password_free(value);
    return std::optional<std::string>(std::move(text));
}

Expected<void, SecretStoreError> LibsecretStore::replace(std::string_view service, std::string_view account,
                                                         std::string_view label, std::string_view value) {
    if (value.find('\0') != std::string_view::npos) {
        return unexpected(SecretStoreError{SecretStoreError::Code::failed, "The value holds a NUL character."});
    }
    const std::string serviceText(service);
    const std::string accountText(account);
    const std::string labelText(label);
    const std::string valueText(value);
    GError* error = nullptr;
    const gboolean stored = secret_password_store_sync(&genericPasswordSchema(), SECRET_COLLECTION_DEFAULT,
                                                       labelText.c_str(), valueText.c_str(), cancellable_, &error,
                                                       "service", serviceText.c_str(), "account",
                                                       accountText.c_str(), nullptr);
    if (error != nullptr || !stored) return unexpected(errorFrom(error));
    return {};
}

Expected<void, SecretStoreError> LibsecretStore::remove(std::string_view service, std::string_view account) {
    const std::string serviceText(service);
    const std::string accountText(account);
    GError* error = nullptr;
    // False without an error means there was nothing to remove, which is fine.
    secret_password_clear_sync(&genericPasswordSchema(), cancellable_, &error, "service", serviceText.c_str(),
                               "account", accountText.c_str(), nullptr);
    if (error != nullptr) return unexpected(errorFrom(error));
    return {};
}

}  // namespace quorvel
