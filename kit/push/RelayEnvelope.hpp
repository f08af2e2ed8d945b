#pragma once
// The JSON envelope in which a push-service request travels to a relay: which kind of request
// it is ("target"), its method, path and own headers, and its body in base64. It carries no
// host (the relay picks one from the target) and never the authorization or content type.
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/JsonCoding.hpp"
#include "platform/services/HttpTransport.hpp"

namespace quorvel {

struct RelayEnvelope {
    std::string target;
    std::string method;
    std::string path;
    HttpHeaderList headers;
    /// The raw request body; absent for a request without one.
    std::optional<std::string> body;

    bool operator==(const RelayEnvelope&) const = default;

    /// "broadcast" for a path under "/4/broadcasts/", else "channel" under "/1/apps/", else "push".
    static std::string targetFor(std::string_view path);

    static RelayEnvelope make(std::string method, std::string path, HttpHeaderList headers,
                              std::optional<std::string> body);

    /// {"target", "method", "path", "headers": {name: value}, "body": base64 (only with a body)}.
    /// A later header of the same name replaces an earlier one.
    json::Json encode() const;
};

}  // namespace quorvel
