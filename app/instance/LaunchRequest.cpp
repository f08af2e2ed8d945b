#include "app/instance/LaunchRequest.hpp"

#include <array>
#include <utility>

namespace quorvel {
namespace {

struct Names {
    LaunchRequest request;
    std::string_view argument;
    std::string_view word;
};

constexpr std::array<Names, 6> names{{
    {LaunchRequest::reopen, "", "reopen"},
    {LaunchRequest::background, "--background", "background"},
    {LaunchRequest::showSettings, "--settings", "showSettings"},
    {LaunchRequest::showFinished, "--finished", "showFinished"},
    {LaunchRequest::hooksOn, "--hooks-on", "installHooks"},
    {LaunchRequest::hooksOff, "--hooks-off", "removeHooks"},
}};

const Names& namesOf(LaunchRequest request) {
    for (const Names& each : names) {
        if (each.request == request) return each;
    }
    return names.front();
}

}  // namespace

std::optional<std::string_view> launchArgument(LaunchRequest request) {
    const std::string_view argument = namesOf(request).argument;
    if (argument.empty()) return std::nullopt;
    return argument;
}

LaunchRequest launchRequestFromArguments(int argc, const char* const* argv) {
    for (int index = 1; index < argc && argv[index] != nullptr; ++index) {
        const std::string_view argument(argv[index]);
        for (const Names& each : names) {
            if (!each.argument.empty() && argument == each.argument) return each.request;
        }
    }
    return LaunchRequest::reopen;
}

std::string_view launchRequestWord(LaunchRequest request) { return namesOf(request).word; }

std::optional<LaunchRequest> launchRequestFromWord(std::string_view word) {
    for (const Names& each : names) {
        if (word == each.word) return each.request;
    }
    return std::nullopt;
}

}  // namespace quorvel
