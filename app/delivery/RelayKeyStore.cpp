#include "app/delivery/RelayKeyStore.hpp"

#include "app/delivery/KeychainJsonItem.hpp"
#include "kit/engine/Quorvel.hpp"

namespace quorvel::RelayKeyStore {

json::Json Credentials::encode() const {
    json::Json object = json::Json::object();
    object["url"] = json::string(url.absoluteString());
    object["key"] = json::string(key);
    return object;
}

Credentials Credentials::decode(const json::Json& value) {
    const json::Json& object = json::requireObject(value, "relay");
    std::optional<WebUrl> url = WebUrl::parse(json::requireString(object, "url"));
    if (!url) throw json::JsonDecodeError("\"url\" is not a URL");
    return Credentials{std::move(*url), json::requireString(object, "key")};
}

const std::string& service() {
    static const std::string name = std::string(Quorvel::macBundleID) + ".relay-key";
    return name;
}

Expected<std::optional<Credentials>, LoadError> load(SecretStore& store) {
    return KeychainJsonItem::load<Credentials>(store, service(), account);
}

Expected<void, KeychainError> save(SecretStore& store, const Credentials& credentials) {
    const std::string& text = credentials.url.absoluteString();
    const bool https = text.rfind("https:", 0) == 0;
    // The key goes into a request header: a line break there would split the request.
    const bool keyUsable = !credentials.key.empty() &&
                           credentials.key.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos;
    if (!https || !keyUsable) return unexpected(KeychainError{KeychainError::invalidParameter, std::nullopt});
    return KeychainJsonItem::save(store, service(), account, "Quorvel relay key", credentials.encode());
}

Expected<void, KeychainError> remove(SecretStore& store) { return KeychainJsonItem::remove(store, service(), account); }

}  // namespace quorvel::RelayKeyStore
