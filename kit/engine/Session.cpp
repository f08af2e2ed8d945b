#include "kit/engine/Session.hpp"

namespace quorvel {

std::optional<std::string> Session::project() const {
    if (!cwd) return std::nullopt;
    const std::string& path = *cwd;
    // Trailing separators are not a component: "/a/b/" names "b", "/" names nothing.
    const std::size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) return std::nullopt;
    const std::size_t slash = path.rfind('/', end);
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

Session::ShellFailure Session::ShellFailure::decode(const json::Json& value) {
    return decodeRecord<ShellFailure>(value, "ShellFailure", shellFailureFields);
}

json::Json Session::ShellFailure::encode() const { return encodeRecord(*this, shellFailureFields); }

Session Session::decode(const json::Json& value) { return decodeRecord<Session>(value, "Session", sessionFields); }

json::Json Session::encode() const { return encodeRecord(*this, sessionFields); }

}  // namespace quorvel
