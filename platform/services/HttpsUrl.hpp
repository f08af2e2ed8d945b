#pragma once
// Building "https://" URLs from a host and a path so that no piece of outside text (a device
// token, a channel identifier, a host from the environment) can move the request to another
// host or path: path segments are percent-encoded, and a host or path that does not have the
// plain form expected is refused.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

/// `text` as one path segment: every byte but the unreserved ones (letters, digits, "-", ".",
/// "_", "~") percent-encoded; a segment of only dots ("." or "..") is encoded whole.
std::string percentEncodedPathSegment(std::string_view text);

/// True for "name", "name:port", "[v6]" or "[v6]:port", where a name holds only letters,
/// digits, "-" and ".", and a port is 1 to 5 digits.
bool isPlainHostAndPort(std::string_view host);

/// "https://" + host + path, or absent when the host is not plain (see above) or the path
/// does not begin with "/" or holds anything outside RFC 3986's path characters (no query,
/// fragment, blank, control character or stray "%").
std::optional<std::string> httpsUrl(std::string_view host, std::string_view path);

}  // namespace quorvel
