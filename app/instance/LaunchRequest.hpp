#pragma once
// What a launch of the app asks for: the plain launch (the reopen, which brings the device
// back), a start in the background (the hook helper's: nothing is brought to the front, and a
// running copy is left as it is), or one of the menu's commands offered by the desktop entry's
// actions. A second copy hands its request to the running copy; a first copy carries it out
// once it has started.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel {

enum class LaunchRequest {
    reopen,
    background,
    showSettings,
    showFinished,
    hooksOn,
    hooksOff,
};

/// The command-line argument of each request but the reopen ("--background", "--settings",
/// "--finished", "--hooks-on", "--hooks-off").
std::optional<std::string_view> launchArgument(LaunchRequest request);

/// The request among the arguments after the program's name: the first one that names a
/// request; the reopen when none does (other arguments are Qt's or unknown, and left alone).
LaunchRequest launchRequestFromArguments(int argc, const char* const* argv);

/// The word a request travels as between two copies ("reopen", "showSettings", ...): the
/// identifier of the menu action it stands for, the reopen aside.
std::string_view launchRequestWord(LaunchRequest request);
std::optional<LaunchRequest> launchRequestFromWord(std::string_view word);

}  // namespace quorvel
