#include "app/delivery/RelayKeyStore.hpp"

#include <vector>

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
    std::vector<std::string> problems;
    if (text.rfind("https:", 0) != 0) problems.emplace_back("The relay address must start with https://.");
    // The key goes into a request header: a line break there would split the request.
    if (credentials.key.empty()) {
        problems.emplace_back("The relay key is empty.");
    } else if (credentials.key.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
        problems.emplace_back("The relay key must be one line.");
    }
    if (!problems.empty()) {
        std::string joined = problems.front();
        for (std::size_t index = 1; index < problems.size(); ++index) joined += " " + problems[index];
        return unexpected(KeychainError::invalidInput(std::move(joined)));
    }
    return KeychainJsonItem::save(store, service(), account, "Quorvel relay key", credentials.encode());
}

Expected<void, KeychainError> remove(SecretStore& store) { return KeychainJsonItem::remove(store, service(), account); }

}  // namespace quorvel::RelayKeyStore
