#include "app/delivery/APNsKeyStore.hpp"

#include "app/delivery/KeychainJsonItem.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/services/P256SigningKey.hpp"

namespace quorvel::APNsKeyStore {

json::Json Credentials::encode() const {
    json::Json object = json::Json::object();
    object["keyID"] = json::string(keyID);
    object["teamID"] = json::string(teamID);
    object["pem"] = json::string(pem);
    return object;
}

Credentials Credentials::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "APNs key");
    return Credentials{json::requireString(object, "keyID"), json::requireString(object, "teamID"),
                       json::requireString(object, "pem")};
}

std::string describe(const LoadError& error) {
    return std::visit([](const auto& cause) { return cause.description(); }, error);
}

std::string describe(const SaveError& error) {
    return std::visit([](const auto& cause) -> std::string { return cause.description(); }, error);
}

const std::string& service() {
    static const std::string name = std::string(Quorvel::macBundleID) + ".apns-key";
    return name;
}

Expected<std::optional<Credentials>, LoadError> load(SecretStore& store) {
    return KeychainJsonItem::load<Credentials>(store, service(), account);
}

Expected<void, SaveError> save(SecretStore& store, const Credentials& credentials) {
    if (auto key = P256SigningKey::fromPem(credentials.pem); !key) return unexpected(SaveError(key.error()));
    auto saved = KeychainJsonItem::save(store, service(), account, "Quorvel APNs key " + credentials.keyID,
                                        credentials.encode());
    if (!saved) return unexpected(SaveError(saved.error()));
    return {};
}

Expected<void, KeychainError> remove(SecretStore& store) { return KeychainJsonItem::remove(store, service(), account); }

}  // namespace quorvel::APNsKeyStore
