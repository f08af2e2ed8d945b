#pragma once
// The small HTTP/1.1 dialect the app accepts from the hook helper: one request per
// connection, a bounded header section and body, and a reply with an empty body. The parser
// is pure and incremental: the server hands it everything a connection has sent so far.
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace quorvel {

struct HTTPRequest {
    /// Largest header section (request line and header lines, without the blank line).
    static constexpr std::size_t maxHeaderBytes = 8192;
    /// Largest body.
    static constexpr std::size_t maxBodyBytes = 65536;

    struct ParseResult;

    /// The first word of the request line, case kept.
    std::string method;
    /// The second word of the request line, undecoded (a query string stays part of it).
    std::string path;
    /// Header names lower-cased, values trimmed of spaces and tabs; a later line wins.
    std::map<std::string, std::string> headers;
    /// Exactly Content-Length bytes.
    std::string body;

    /// Parses everything received on a connection so far. Never throws.
    static ParseResult parse(std::string_view data);

    /// The complete reply for `status`: status line, "Content-Length: 0",
    /// "Connection: close", blank line.
    static std::string responseText(int status);

    bool operator==(const HTTPRequest&) const = default;
};

struct HTTPRequest::ParseResult {
    enum class Kind { complete, invalid, needMore };

    Kind kind = Kind::needMore;
    /// The request, when `kind` is complete.
    HTTPRequest request;
    /// The status to answer with, when `kind` is invalid (400, 413 or 431).
    int status = 0;

    static ParseResult complete(HTTPRequest request) { return {Kind::complete, std::move(request), 0}; }
    static ParseResult invalid(int status) { return {Kind::invalid, {}, status}; }
    static ParseResult needMore() { return {Kind::needMore, {}, 0}; }

    bool operator==(const ParseResult&) const = default;
};

}  // namespace quorvel
