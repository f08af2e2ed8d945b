#include "app/render/RenderRequest.hpp"

#include <charconv>
#include <cmath>

namespace quorvel {

std::optional<RenderRequest> RenderRequest::find(const std::vector<std::string>& arguments) {
    std::size_t index = 0;
    while (index < arguments.size() && arguments[index] != "--render") ++index;
    if (index + 2 >= arguments.size()) return std::nullopt;
    return RenderRequest{arguments[index + 1], arguments[index + 2]};
}

std::optional<RenderRequest> RenderRequest::find(int argc, const char* const* argv) {
    std::vector<std::string> arguments;
    for (int index = 1; index < argc && argv[index] != nullptr; ++index) arguments.emplace_back(argv[index]);
    return find(arguments);
}

std::optional<double> DeviceSampleTarget::seconds(std::string_view text) {
    // from_chars takes "-" but not "+", which is as much a sign.
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+') text.remove_prefix(1);
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, problem] = std::from_chars(text.data(), end, value, std::chars_format::general);
    if (problem != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<DeviceSampleTarget> DeviceSampleTarget::parse(std::string_view text) {
    std::vector<std::string_view> pieces;
    while (!text.empty()) {
        const std::size_t at = text.find('@');
        const std::string_view piece = text.substr(0, at);
        if (!piece.empty()) pieces.push_back(piece);
        if (at == std::string_view::npos) break;
        text.remove_prefix(at + 1);
    }
    if (pieces.empty()) return std::nullopt;
    DeviceSampleTarget target{std::string(pieces[0])};
    if (pieces.size() > 1) {
        if (auto frozen = seconds(pieces[1])) target.frozenAt = *frozen;
    }
    return target;
}

}  // namespace quorvel
