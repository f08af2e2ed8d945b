#include "kit/engine/Endpoint.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/SecureRandom.hpp"
#include "platform/files/OwnFileRead.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/text/Base64.hpp"

namespace quorvel {
namespace {

constexpr std::size_t tokenByteCount = 32;

EndpointError malformed(const std::string& path, const std::string& reason) {
    return EndpointError{EndpointError::Kind::malformed, 0, path,
                         "The endpoint file " + path + " is unusable: " + reason};
}

}  // namespace

EndpointError EndpointError::fromFileError(files::FileError error) {
    return EndpointError{Kind::file, error.code, std::move(error.path), std::move(error.message)};
}

Expected<Endpoint, EndpointError> Endpoint::read(const std::string& path) {
    auto stored = readStored(path);
    if (!stored) return unexpected(std::move(stored.error()));
    // Whoever else could have written the file could send every post, payload and token
    // included, to a listener of their own.
    if (!stored->isOwnedAndUnwritableByOthers) {
        return unexpected(EndpointError{EndpointError::Kind::file, EACCES, path,
                                        "The endpoint file " + path + " is not this user's alone to change"});
    }
    return std::move(stored->endpoint);
}

Expected<Endpoint::Stored, EndpointError> Endpoint::readStored(const std::string& path) {
    auto contents = files::readOwnFile(path, maxFileBytes);
    if (!contents) return unexpected(EndpointError::fromFileError(contents.error()));
    Stored stored;
    stored.permissions = contents->permissions;
    const bool owned = contents->owner == ::geteuid();
    stored.isPrivate = owned && (contents->permissions & 077) == 0;
    stored.isOwnedAndUnwritableByOthers = owned && (contents->permissions & 022) == 0;
    Endpoint& endpoint = stored.endpoint;
    try {
        const json::Json root = json::parse(contents->bytes);
        json::requireObject(root, "endpoint");
        const std::int64_t port = json::requireInt(root, "port");
        if (port < 0 || port > 65535) return unexpected(malformed(path, "port " + std::to_string(port) + " out of range"));
        endpoint.port = static_cast<std::uint16_t>(port);
        endpoint.token = json::requireString(root, "token");
    } catch (const json::JsonDecodeError& error) {
        return unexpected(malformed(path, error.what()));
    }
    if (!isWellFormedToken(endpoint.token)) {
        return unexpected(malformed(path, "the token is not " + std::to_string(tokenLength) + " base64url characters"));
    }
    return stored;
}

Expected<void, EndpointError> Endpoint::write(const std::string& path) const {
    if (auto created = files::createDirectories(files::parentPath(path), 0700); !created) {
        return unexpected(EndpointError::fromFileError(created.error()));
    }
    std::string bytes;
    try {
        bytes = encoded();
    } catch (const std::exception& error) {
        return unexpected(EndpointError{EndpointError::Kind::malformed, 0, path, error.what()});
    }
    if (auto written = files::writeFileAtomically(path, bytes, 0600); !written) {
        return unexpected(EndpointError::fromFileError(written.error()));
    }
    return {};
}

Expected<std::string, EndpointError> Endpoint::makeToken() {
    const auto bytes = random::secureRandomBytes(tokenByteCount);
    if (!bytes) {
        return unexpected(EndpointError{EndpointError::Kind::noRandomness, 0, "", "Couldn't generate a random token"});
    }
    std::string token = base64::encode(bytes->data(), bytes->size());
    std::replace(token.begin(), token.end(), '+', '-');
    std::replace(token.begin(), token.end(), '/', '_');
    std::erase(token, '=');
    return token;
}

bool Endpoint::isWellFormedToken(const std::string& token) {
    return token.size() == tokenLength && base64::isUrlAlphabet(token);
}

std::string Endpoint::encoded() const {
    json::Json object = json::Json::object();
    object["port"] = port;
    object["token"] = json::string(token);
    return json::dump(object);
}

}  // namespace quorvel
