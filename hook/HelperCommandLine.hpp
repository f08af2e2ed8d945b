#pragma once
// What a person may ask the helper by hand, as of any GNU program: its usage and its version.
// The agent never passes either; for everything else the helper reads its payload.
#include <string>
#include <vector>

namespace quorvel {

enum class HelperRequest {
    /// The hook event (or --simulate): the main flow.
    handleEvent,
    printUsage,
    printVersion,
};

/// The request of the command-line `arguments` (without the program's path): the first
/// "--help" or "--version" among the options, the state after "--simulate" and anything
/// after "--" not counting as one.
HelperRequest helperRequest(const std::vector<std::string>& arguments);

/// The text "--help" prints on standard output.
std::string helperUsage();
/// The line "--version" prints: "quorvel-hook " and the version.
std::string helperVersionLine();

}  // namespace quorvel
