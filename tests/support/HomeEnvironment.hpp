#pragma once
// The variables that make a program started by a test live in a home and a runtime folder of
// the test's: the home and the XDG folders under it, so nothing of the user's own is read or
// written. Changes for `ChildEnvironment`. Free of any test framework.
#include <map>
#include <optional>
#include <string>

namespace quorvel::testing {

/// `runtime` should be private to the user (0700), as the session's own is.
inline std::map<std::string, std::optional<std::string>> homeEnvironment(const std::string& home,
                                                                         const std::string& runtime) {
    return {
        {"HOME", home},
        {"XDG_CONFIG_HOME", home + "/.config"},
        {"XDG_DATA_HOME", home + "/.local/share"},
        {"XDG_CACHE_HOME", home + "/.cache"},
        {"XDG_STATE_HOME", home + "/.local/state"},
        {"XDG_RUNTIME_DIR", runtime},
    };
}

}  // namespace quorvel::testing
