// Whatever a local process sends to the event server goes through the request parser, which
// the server calls again on every growing prefix of a connection's bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "app/intake/ConstantTimeEquals.hpp"
#include "app/intake/HTTPRequest.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const HTTPRequest::ParseResult whole = HTTPRequest::parse(input);
    using Kind = HTTPRequest::ParseResult::Kind;
    if (whole.kind == Kind::complete && whole.request.body.size() > HTTPRequest::maxBodyBytes) __builtin_trap();
    if (whole.kind == Kind::invalid && whole.status != 400 && whole.status != 413 && whole.status != 431) {
        __builtin_trap();
    }
    if (whole.kind == Kind::invalid) (void)HTTPRequest::responseText(whole.status);

    // A prefix that is already a whole request is the same request once more bytes follow.
    const std::size_t cut = size / 2;
    const HTTPRequest::ParseResult prefix = HTTPRequest::parse(input.substr(0, cut));
    if (prefix.kind == Kind::complete && !(whole == prefix)) __builtin_trap();

    const std::string_view a = input.substr(0, cut), b = input.substr(cut);
    if (constantTimeEquals(a, b) != (a == b)) __builtin_trap();
    return 0;
}
